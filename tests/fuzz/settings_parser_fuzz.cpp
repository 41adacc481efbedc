// libFuzzer target for the settings file reader. Besides finding crashes, it
// checks that whatever the reader accepts is written back in a form that
// reads back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fake_ansi_codec.h"
#include "settings/settings_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    resolaunch::testing::Latin1Codec codec;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<resolaunch::SavedSettings> parsed = resolaunch::ParseSettingsFile(bytes, codec);
    if (parsed) {
        const std::string written = resolaunch::FormatSettingsFile(*parsed, codec);
        if (resolaunch::ParseSettingsFile(written, codec) != parsed) {
            std::abort();
        }
    }
    return 0;
}
