#include "window/win32_fonts.h"

#include <cwchar>
#include <iterator>

namespace resolaunch {
namespace {

struct ScreenDc {
    HDC dc = ::GetDC(nullptr);
    ScreenDc() = default;
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc != nullptr) {
            ::ReleaseDC(nullptr, dc);
        }
    }
};

int CellHeight(HFONT font) {
    ScreenDc screen;
    if (screen.dc == nullptr) {
        return 0;
    }
    const HGDIOBJ old = ::SelectObject(screen.dc, font);
    TEXTMETRICW metrics{};
    const BOOL measured = ::GetTextMetricsW(screen.dc, &metrics);
    ::SelectObject(screen.dc, old);
    return measured ? metrics.tmHeight : 0;
}

LOGFONTW MessageLogFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, dpi)) {
        return metrics.lfMessageFont;
    }
    LOGFONTW fallback{};
    fallback.lfHeight = -::MulDiv(9, static_cast<int>(dpi), 72);
    fallback.lfWeight = FW_NORMAL;
    fallback.lfCharSet = DEFAULT_CHARSET;
    return fallback;
}

int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one match is enough
}

bool FaceInstalled(const wchar_t* face) {
    ScreenDc screen;
    if (screen.dc == nullptr) {
        return false;
    }
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(query.lfFaceName, face, _TRUNCATE);
    bool found = false;
    ::EnumFontFamiliesExW(screen.dc, &query, NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

}  // namespace

UniqueFont CreateMessageFont(UINT dpi, int maxCellHeight) {
    LOGFONTW logFont = MessageLogFont(dpi);
    UniqueFont font(::CreateFontIndirectW(&logFont));
    // Shrink a large system font a pixel at a time until a line fits.
    while (font && logFont.lfHeight < -8 && CellHeight(font.get()) > maxCellHeight) {
        ++logFont.lfHeight;
        font.reset(::CreateFontIndirectW(&logFont));
    }
    return font;
}

UniqueFont CreateFixedPitchFont(HFONT like) {
    LOGFONTW logFont{};
    if (like == nullptr || ::GetObjectW(like, sizeof(logFont), &logFont) == 0) {
        logFont.lfHeight = -12;
    }
    logFont.lfWidth = 0;
    logFont.lfCharSet = SHIFTJIS_CHARSET;
    logFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    logFont.lfFaceName[0] = L'\0';

    static const wchar_t* const kFaces[] = {
        L"ＭＳ ゴシック", L"MS Gothic", L"BIZ UDゴシック", L"IPAゴシック",
        L"IPAGothic",     L"Noto Sans Mono CJK JP",        L"VL Gothic",
    };
    for (const wchar_t* face : kFaces) {
        if (FaceInstalled(face)) {
            wcsncpy_s(logFont.lfFaceName, face, _TRUNCATE);
            break;
        }
    }
    return UniqueFont(::CreateFontIndirectW(&logFont));
}

}  // namespace resolaunch
