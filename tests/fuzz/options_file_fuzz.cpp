// libFuzzer target for the reader and writer of ResoLaunch.ini, a file a user
// may edit by hand. Besides finding crashes, it checks what they promise: a
// value written reads back, a removed one is gone, and a write keeps every
// other option as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/options_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using resolaunch::ReadOption;
    using resolaunch::WithOption;
    const std::optional<std::string> otherBefore = ReadOption(bytes, "Other");

    const std::string written = WithOption(bytes, "RestoreWhenProgramEnds", "1");
    if (ReadOption(written, "RestoreWhenProgramEnds") != "1" || ReadOption(written, "Other") != otherBefore) {
        std::abort();
    }
    const std::string removed = WithOption(written, "RestoreWhenProgramEnds", std::nullopt);
    if (ReadOption(removed, "Other") != otherBefore) {
        std::abort();
    }
    // Nothing to remove: nothing changes.
    if (!ReadOption(bytes, "Absent") && WithOption(bytes, "Absent", std::nullopt) != bytes) {
        std::abort();
    }
    return 0;
}
