// libFuzzer target for the reader and writer of ResoLaunch.ini, a file a user
// may edit by hand. Besides finding crashes, it checks what they promise: a
// value written reads back, a removed one is gone, and a write keeps every
// other option as it was. Each input is tried as it stands and as UTF-16LE
// with its byte-order mark; the corpus holds files with duplicate sections.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/options_file.h"

namespace {

using resolaunch::ReadOption;
using resolaunch::WithOption;

void Check(bool promise) {
    if (!promise) {
        std::abort();
    }
}

void CheckWrites(std::string_view bytes) {
    const std::optional<std::string> otherBefore = ReadOption(bytes, "Other");
    for (const std::string_view value : {"1", "\\\\?\\DISPLAY#\xE8\xA1\xA8"}) {
        const std::string written = WithOption(bytes, "Display", value);
        Check(ReadOption(written, "Display") == value);
        Check(ReadOption(written, "Other") == otherBefore);
        Check(WithOption(written, "Display", value) == written);
        // The line written is the one that was read: removing it is removing that one.
        const std::string removed = WithOption(written, "Display", std::nullopt);
        if (ReadOption(bytes, "Display")) {
            Check(removed == WithOption(bytes, "Display", std::nullopt));
        } else {
            Check(ReadOption(removed, "Display") == std::nullopt);
        }
        Check(ReadOption(removed, "Other") == otherBefore);
    }
    // Nothing to remove: nothing changes.
    if (!ReadOption(bytes, "Absent")) {
        Check(WithOption(bytes, "Absent", std::nullopt) == bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckWrites(bytes);
    std::string utf16 = "\xFF\xFE";
    for (const char c : bytes) {  // ASCII as it is; any other byte a unit of U+D800 to U+DFFF
        utf16 += c;
        utf16 += static_cast<unsigned char>(c) < 0x80 ? '\0' : static_cast<char>(0xD8 | (c & 0x07));
    }
    CheckWrites(utf16);
    return 0;
}
