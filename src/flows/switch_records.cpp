#include "flows/switch_records.h"

#include <charconv>
#include <map>
#include <vector>

#include "platform/file_path.h"
#include "settings/utf8.h"

namespace resolaunch {
namespace {

constexpr std::wstring_view kRecordExtension = L".txt";
// A record claimed by a later start: "claimed-<claimant>-" before its own name.
constexpr std::wstring_view kClaimedPrefix = L"claimed-";
// A record is a few hundred bytes; anything longer is no record.
constexpr std::size_t kRecordReadLimit = 64 * 1024;

std::wstring NameOf(const ProcessIdentity& process) {
    return std::to_wstring(process.id) + L"-" + std::to_wstring(process.created);
}

template <typename Number>
std::optional<Number> NumberOf(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// "<id>-<created>" at the start of `name`, and what follows it.
std::optional<ProcessIdentity> OwnerAtStart(std::wstring_view name, std::wstring_view& rest) {
    const std::size_t dash = name.find(L'-');
    std::size_t end = dash == std::wstring_view::npos ? dash : name.find_first_not_of(L"0123456789", dash + 1);
    if (dash == std::wstring_view::npos || end == dash + 1) {
        return std::nullopt;
    }
    end = end == std::wstring_view::npos ? name.size() : end;
    const std::optional<uint32_t> idNumber = NumberOf<uint32_t>(EncodeUtf8(name.substr(0, dash)));
    const std::optional<uint64_t> createdNumber = NumberOf<uint64_t>(EncodeUtf8(name.substr(dash + 1, end - dash - 1)));
    if (!idNumber || !createdNumber) {
        return std::nullopt;
    }
    rest = name.substr(end);
    return ProcessIdentity{*idNumber, *createdNumber};
}

// Who a record file's name says holds it: its owner's "<id>-<created>.txt",
// or a claimant's "claimed-<id>-<created>-<original name>". Also the
// original name.
std::optional<ProcessIdentity> HolderOf(std::wstring_view name, std::wstring& original) {
    std::wstring_view rest;
    if (name.substr(0, kClaimedPrefix.size()) == kClaimedPrefix) {
        const std::optional<ProcessIdentity> claimant = OwnerAtStart(name.substr(kClaimedPrefix.size()), rest);
        std::wstring_view inner;
        if (!claimant || rest.empty() || rest.front() != L'-' || !OwnerAtStart(rest.substr(1), inner) ||
            inner != kRecordExtension) {
            return std::nullopt;
        }
        original = std::wstring(rest.substr(1));
        return claimant;
    }
    const std::optional<ProcessIdentity> owner = OwnerAtStart(name, rest);
    if (!owner || rest != kRecordExtension) {
        return std::nullopt;
    }
    original = std::wstring(name);
    return owner;
}

std::string IdentityText(const ProcessIdentity& process) {
    return std::to_string(process.id) + "-" + std::to_string(process.created);
}

std::optional<ProcessIdentity> ParseIdentity(std::string_view text) {
    const std::size_t dash = text.find('-');
    const std::optional<uint32_t> id = NumberOf<uint32_t>(text.substr(0, dash));
    const std::optional<uint64_t> created =
        dash == std::string_view::npos ? std::nullopt : NumberOf<uint64_t>(text.substr(dash + 1));
    if (!id || !created) {
        return std::nullopt;
    }
    return ProcessIdentity{*id, *created};
}

std::optional<bool> ParseFlag(std::string_view text) {
    if (text == "0" || text == "1") {
        return text == "1";
    }
    return std::nullopt;
}

std::string LaunchText(const GuardedLaunch& launch) {
    return "Guard=" + IdentityText(launch.guard) + "\r\nJob=" + EncodeUtf8(launch.hold.job) + "\r\nStarted=" +
           IdentityText(launch.hold.started) + "\r\nBegan=" + std::to_string(launch.hold.began) +
           "\r\nFamily=" + (launch.rule.family ? "1" : "0") + "\r\nKeeper=" +
           IdentityText({launch.rule.keeper, launch.keeperCreated}) + "\r\nDescendants=" +
           (launch.rule.descendants ? "1" : "0") + "\r\nNamed=" + EncodeUtf8(launch.rule.named) + "\r\n";
}

// The launch's lines by key; nothing unless every one reads.
std::optional<GuardedLaunch> ParseLaunch(const std::map<std::string, std::string, std::less<>>& lines) {
    // A line's value read by `parse`; nothing for a line missing or unreadable.
    const auto read = [&](std::string_view key, auto parse) -> decltype(parse(std::string_view())) {
        const auto found = lines.find(key);
        if (found == lines.end()) {
            return std::nullopt;
        }
        return parse(std::string_view(found->second));
    };
    const auto text = [](std::string_view value) { return DecodeUtf8(value); };
    const auto guard = read("Guard", ParseIdentity);
    const auto job = read("Job", text);
    const auto started = read("Started", ParseIdentity);
    const auto began = read("Began", NumberOf<uint64_t>);
    const auto family = read("Family", ParseFlag);
    const auto keeper = read("Keeper", ParseIdentity);
    const auto descendants = read("Descendants", ParseFlag);
    const auto named = read("Named", text);
    if (!guard || !job || !started || !began || !family || !keeper || !descendants || !named) {
        return std::nullopt;
    }
    return GuardedLaunch{*guard, LaunchHold{*job, *started, *began},
                         FollowRule{*family, keeper->id, *descendants, *named}, keeper->created};
}

}  // namespace

std::string RecordText(const SwitchRecord& record) {
    return "Device=" + EncodeUtf8(record.device) + "\r\nInterface=" + EncodeUtf8(record.interfacePath) +
           "\r\nMode=" + std::to_string(record.mode.Width) + "x" + std::to_string(record.mode.Height) + "x" +
           std::to_string(record.mode.Bits) + "\r\nRate=" + std::to_string(record.rate) + "\r\n" +
           (record.launch ? LaunchText(*record.launch) : std::string());
}

std::optional<SwitchRecord> ParseRecord(std::string_view text) {
    std::map<std::string, std::string, std::less<>> lines;  // the first of each key
    std::optional<std::string> device, interfacePath, mode, rate;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const std::string value(equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1));
        std::optional<std::string>* field = key == "Device"      ? &device
                                            : key == "Interface" ? &interfacePath
                                            : key == "Mode"      ? &mode
                                            : key == "Rate"      ? &rate
                                                                 : nullptr;
        if (field != nullptr && equals != std::string_view::npos) {
            *field = value;
        } else if (equals != std::string_view::npos) {
            lines.emplace(std::string(key), value);
        }
    }
    if (!device || !interfacePath || !mode || !rate) {
        return std::nullopt;
    }
    const std::size_t x1 = mode->find('x');
    const std::size_t x2 = x1 == std::string::npos ? x1 : mode->find('x', x1 + 1);
    if (x2 == std::string::npos) {
        return std::nullopt;
    }
    const std::optional<int32_t> width = NumberOf<int32_t>(std::string_view(*mode).substr(0, x1));
    const std::optional<int32_t> height = NumberOf<int32_t>(std::string_view(*mode).substr(x1 + 1, x2 - x1 - 1));
    const std::optional<int16_t> bits = NumberOf<int16_t>(std::string_view(*mode).substr(x2 + 1));
    const std::optional<uint32_t> hertz = NumberOf<uint32_t>(*rate);
    const std::optional<std::wstring> deviceText = DecodeUtf8(*device);
    const std::optional<std::wstring> pathText = DecodeUtf8(*interfacePath);
    if (!width || !height || !bits || !hertz || !deviceText || !pathText) {
        return std::nullopt;
    }
    return SwitchRecord{*deviceText, *pathText, DisplayMode{*bits, *width, *height}, *hertz, ParseLaunch(lines)};
}

std::wstring SwitchRecords::Folder() {
    const std::wstring temporary = files_.TemporaryFolder();
    return temporary.empty() ? std::wstring() : PathInFolder(temporary, L"ResoLaunch");
}

std::wstring SwitchRecords::OwnPath() {
    const std::wstring folder = Folder();
    return folder.empty() ? std::wstring() : PathInFolder(folder, NameOf(processes_.Self()) + L".txt");
}

bool SwitchRecords::Write(const SwitchRecord& record) {
    const std::wstring path = OwnPath();
    if (path.empty() || !files_.MakeFolder(Folder())) {
        return false;
    }
    const std::wstring next = path + L".new";
    if (!files_.WriteNewFile(next, RecordText(record)) || !files_.MoveReplacing(next, path)) {
        files_.RemoveFile(next);
        return false;
    }
    return true;
}

void SwitchRecords::Delete() {
    if (const std::wstring path = OwnPath(); !path.empty()) {
        files_.RemoveFile(path);
    }
}

bool SwitchRecords::Exists() {
    const std::wstring path = OwnPath();
    return !path.empty() && files_.ReadFile(path, kRecordReadLimit).outcome == FileRead::Outcome::Read;
}

void SwitchRecords::DeleteAll() {
    const std::wstring folder = Folder();
    if (folder.empty()) {
        return;
    }
    for (const std::wstring& name : files_.FileNamesIn(folder)) {
        std::wstring original;
        if (HolderOf(name, original)) {
            files_.RemoveFile(PathInFolder(folder, name));
        }
    }
}

std::optional<SwitchRecord> SwitchRecords::ReadRecord(const std::wstring& path) {
    const std::optional<std::string> bytes = files_.ReadFile(path, kRecordReadLimit).Bytes();
    return bytes ? ParseRecord(*bytes) : std::nullopt;
}

std::wstring SwitchRecords::ClaimedPath(const std::wstring& folder, const std::wstring& original) {
    return PathInFolder(folder, std::wstring(kClaimedPrefix) + NameOf(processes_.Self()) + L"-" + original);
}

void SwitchRecords::SettleLeftBehind(const std::function<void(const SwitchRecord&)>& settle) {
    const std::wstring folder = Folder();
    if (folder.empty()) {
        return;
    }
    const ProcessIdentity self = processes_.Self();
    for (const std::wstring& name : files_.FileNamesIn(folder)) {
        std::wstring original;
        const std::optional<ProcessIdentity> holder = HolderOf(name, original);
        if (!holder || *holder == self || processes_.IsRunning(*holder)) {
            continue;
        }
        // A guard that runs carries its owner's launch on: the restore is its own to make.
        if (original == name) {
            const std::optional<SwitchRecord> unclaimed = ReadRecord(PathInFolder(folder, name));
            if (unclaimed && unclaimed->launch && processes_.IsRunning(unclaimed->launch->guard)) {
                continue;
            }
        }
        // Only the start whose rename worked goes on.
        const std::wstring claimed = ClaimedPath(folder, original);
        if (!files_.MoveWithoutReplacing(PathInFolder(folder, name), claimed)) {
            continue;
        }
        if (const std::optional<SwitchRecord> record = ReadRecord(claimed)) {
            settle(*record);
        }
        files_.RemoveFile(claimed);
    }
}

std::optional<SwitchRecord> SwitchRecords::ReadOf(const ProcessIdentity& owner) {
    const std::wstring folder = Folder();
    return folder.empty() ? std::nullopt : ReadRecord(PathInFolder(folder, NameOf(owner) + L".txt"));
}

std::optional<SwitchRecord> SwitchRecords::ClaimOf(const ProcessIdentity& owner) {
    const std::wstring folder = Folder();
    const std::wstring original = NameOf(owner) + L".txt";
    if (folder.empty() || !files_.MoveWithoutReplacing(PathInFolder(folder, original), ClaimedPath(folder, original))) {
        return std::nullopt;
    }
    return ReadRecord(ClaimedPath(folder, original));
}

void SwitchRecords::DeleteClaimOf(const ProcessIdentity& owner) {
    if (const std::wstring folder = Folder(); !folder.empty()) {
        files_.RemoveFile(ClaimedPath(folder, NameOf(owner) + L".txt"));
    }
}

}  // namespace resolaunch
