#include "platform/win32_shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>
#include <memory>

#include "platform/file_system.h"
#include "platform/win32_error_text.h"
#include "platform/win32_system_function.h"

namespace resolaunch {
namespace {

struct ComRelease {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename Interface>
using ComPointer = std::unique_ptr<Interface, ComRelease>;

struct Ole {
    decltype(&::CoInitializeEx) initialize;
    decltype(&::CoUninitialize) uninitialize;
    decltype(&::CoCreateInstance) createInstance;
    decltype(&::CoTaskMemFree) free;

    bool Loaded() const { return initialize && uninitialize && createInstance && free; }
};

const Ole& OleFunctions() {
    static const Ole ole{
        SystemFunction<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx"),
        SystemFunction<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize"),
        SystemFunction<decltype(&::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance"),
        SystemFunction<decltype(&::CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree"),
    };
    return ole;
}

// COM for the calling thread while it is in scope.
class ComScope {
public:
    explicit ComScope(const Ole& ole) : ole_(ole) {
        const HRESULT result = ole_.initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        // Already set up otherwise on this thread: usable all the same, not ours to end.
        initialized_ = SUCCEEDED(result);
        usable_ = initialized_ || result == RPC_E_CHANGED_MODE;
        failure_ = result;
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialized_) {
            ole_.uninitialize();
        }
    }
    bool Usable() const { return usable_; }
    HRESULT Failure() const { return failure_; }

private:
    const Ole& ole_;
    bool initialized_ = false;
    bool usable_ = false;
    HRESULT failure_ = S_OK;
};

std::wstring Reason(HRESULT result) { return SystemErrorText(static_cast<DWORD>(result)); }

// One of IShellLinkW's texts, read into a buffer of the longest path.
template <typename Read>
std::optional<std::wstring> LinkText(Read read) {
    std::wstring text(kLongestPath, L'\0');
    if (FAILED(read(text.data(), static_cast<int>(text.size())))) {
        return std::nullopt;
    }
    text.resize(std::wcslen(text.c_str()));
    return text;
}

}  // namespace

Shortcuts::Folder Win32Shortcuts::DesktopFolder() {
    static const auto knownFolderPath =
        SystemFunction<decltype(&::SHGetKnownFolderPath)>(L"shell32.dll", "SHGetKnownFolderPath");
    const Ole& ole = OleFunctions();
    if (knownFolderPath == nullptr || !ole.Loaded()) {
        return {std::nullopt, SystemErrorText(ERROR_PROC_NOT_FOUND)};
    }
    PWSTR path = nullptr;
    const HRESULT result = knownFolderPath(FOLDERID_Desktop, KF_FLAG_CREATE, nullptr, &path);
    const std::unique_ptr<wchar_t, decltype(ole.free)> owned(path, ole.free);
    if (FAILED(result) || path == nullptr) {
        return {std::nullopt, Reason(result)};
    }
    return {std::wstring(path), std::wstring()};
}

bool Win32Shortcuts::Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::wstring> Win32Shortcuts::Save(const std::wstring& path, const ShortcutLink& link) {
    const Ole& ole = OleFunctions();
    if (!ole.Loaded()) {
        return SystemErrorText(ERROR_PROC_NOT_FOUND);
    }
    const ComScope com(ole);
    if (!com.Usable()) {
        return Reason(com.Failure());
    }
    IShellLinkW* created = nullptr;
    HRESULT result = ole.createInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                        reinterpret_cast<void**>(&created));
    if (FAILED(result)) {
        return Reason(result);
    }
    const ComPointer<IShellLinkW> shellLink(created);
    for (const HRESULT step : {shellLink->SetPath(link.target.c_str()), shellLink->SetArguments(link.arguments.c_str()),
                               shellLink->SetWorkingDirectory(link.workingFolder.c_str()),
                               shellLink->SetIconLocation(link.iconFile.c_str(), 0),
                               shellLink->SetDescription(link.description.c_str())}) {
        if (FAILED(step)) {
            return Reason(step);
        }
    }
    IPersistFile* file = nullptr;
    result = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(result)) {
        return Reason(result);
    }
    const ComPointer<IPersistFile> persist(file);
    result = persist->Save(path.c_str(), TRUE);
    if (FAILED(result)) {
        return Reason(result);
    }
    return std::nullopt;
}

std::optional<ShortcutRead> Win32Shortcuts::Read(const std::wstring& path) {
    const Ole& ole = OleFunctions();
    if (!ole.Loaded()) {
        return std::nullopt;
    }
    const ComScope com(ole);
    if (!com.Usable()) {
        return std::nullopt;
    }
    IShellLinkW* created = nullptr;
    if (FAILED(ole.createInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&created)))) {
        return std::nullopt;
    }
    const ComPointer<IShellLinkW> shellLink(created);
    IPersistFile* file = nullptr;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        return std::nullopt;
    }
    const ComPointer<IPersistFile> persist(file);
    // Loading resolves nothing: no search for a moved target, no UI (IShellLinkW::Resolve is never called).
    if (FAILED(persist->Load(path.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    const std::optional<std::wstring> target =
        LinkText([&](wchar_t* text, int size) { return shellLink->GetPath(text, size, nullptr, 0); });
    const std::optional<std::wstring> arguments =
        LinkText([&](wchar_t* text, int size) { return shellLink->GetArguments(text, size); });
    const std::optional<std::wstring> folder =
        LinkText([&](wchar_t* text, int size) { return shellLink->GetWorkingDirectory(text, size); });
    // GetPath answers S_FALSE with an empty path for a link to no file.
    ShortcutRead read{target.value_or(std::wstring()), arguments.value_or(std::wstring()),
                      folder.value_or(std::wstring()), false};
    DWORD flags = 0;
    IShellLinkDataList* dataList = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IShellLinkDataList, reinterpret_cast<void**>(&dataList)))) {
        const ComPointer<IShellLinkDataList> data(dataList);
        if (FAILED(data->GetFlags(&flags))) {
            flags = 0;
        }
    }
    read.opensThroughShell = read.target.empty() || (flags & (SLDF_HAS_DARWINID | SLDF_RUNAS_USER)) != 0;
    return read;
}

}  // namespace resolaunch
