#pragma once

#include <string>

#include "platform/ansi_codec.h"

#ifdef _WIN32
#include "platform/win32_file_system.h"
#else
#include <iconv.h>
#endif

namespace resolaunch::testing {

#ifdef _WIN32
// The platform's own conversion, for code page 932 whatever the system's is.
class Cp932Codec : public AnsiCodec {
public:
    std::optional<std::string> Encode(std::wstring_view text) override { return codec_.Encode(text); }
    std::wstring Decode(std::string_view bytes) override { return codec_.Decode(bytes); }

private:
    Win32AnsiCodec codec_{932};
};
#else
// Code page 932 as a Japanese Windows has it, by the C library's iconv.
class Cp932Codec : public AnsiCodec {
public:
    std::optional<std::string> Encode(std::wstring_view text) override {
        std::string out;
        if (!Convert("CP932", "WCHAR_T", text.data(), text.size() * sizeof(wchar_t), out)) {
            return std::nullopt;
        }
        return out;
    }

    std::wstring Decode(std::string_view bytes) override {
        std::string out;
        Convert("WCHAR_T", "CP932", bytes.data(), bytes.size(), out);
        return std::wstring(reinterpret_cast<const wchar_t*>(out.data()), out.size() / sizeof(wchar_t));
    }

private:
    static bool Convert(const char* to, const char* from, const void* data, std::size_t size, std::string& out) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            return false;
        }
        char* in = const_cast<char*>(static_cast<const char*>(data));
        std::size_t inLeft = size;
        std::string buffer(size * 4 + 16, '\0');
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        iconv_close(cd);
        buffer.resize(buffer.size() - outLeft);
        out = buffer;
        return result != static_cast<std::size_t>(-1) && inLeft == 0;
    }
};

#endif

// Every byte is the character of the same number: enough where the code page
// does not matter.
class Latin1Codec : public AnsiCodec {
public:
    std::optional<std::string> Encode(std::wstring_view text) override {
        std::string out;
        for (wchar_t c : text) {
            if (static_cast<unsigned long>(c) > 0xFF) {
                return std::nullopt;
            }
            out += static_cast<char>(c);
        }
        return out;
    }
    std::wstring Decode(std::string_view bytes) override {
        std::wstring out;
        for (char c : bytes) {
            out += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        return out;
    }
};

}  // namespace resolaunch::testing
