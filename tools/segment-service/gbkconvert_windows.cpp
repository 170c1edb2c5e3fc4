// UTF-8 to and from GBK through the Windows API. Code page 936 is GBK; 54936
// (GB18030, its superset) is what Windows itself reads GBK tables with, but
// not every system has it (wine has not), so it is used only where present.
#include "gbktext.h"

#include <windows.h>

namespace {

// Through UTF-16, the form both conversions of the API share.
std::optional<std::wstring> ToWide(UINT codePage, std::string_view text) {
    if (text.empty())
        return std::wstring();
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                             int(text.size()), nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(size_t(length), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()),
                          wide.data(), length);
    return wide;
}

// `strict`: fail on a character the code page cannot write, rather than
// write a stand-in for it. Code page 65001 (UTF-8) takes no such flags.
std::optional<std::string> FromWide(UINT codePage, const std::wstring &wide) {
    if (wide.empty())
        return std::string();
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL *usedDefaultPtr = utf8 ? nullptr : &usedDefault;
    const int length = ::WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()),
                                             nullptr, 0, nullptr, usedDefaultPtr);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    std::string out(size_t(length), '\0');
    ::WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), out.data(), length,
                          nullptr, usedDefaultPtr);
    if (usedDefault)
        return std::nullopt;
    return out;
}

constexpr UINT kGbk = 936;
constexpr UINT kGb18030 = 54936;

} // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    // Windows reads ill-formed UTF-8 as U+FFFD without MB_ERR_INVALID_CHARS;
    // with it, the whole text is refused, as iconv does.
    const std::optional<std::wstring> wide = ToWide(CP_UTF8, utf8);
    if (!wide)
        return std::nullopt;
    return FromWide(kGbk, *wide);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    static const UINT codePage = ::IsValidCodePage(kGb18030) ? kGb18030 : kGbk;
    const std::optional<std::wstring> wide = ToWide(codePage, gbk);
    if (!wide)
        return std::nullopt;
    return FromWide(CP_UTF8, *wide);
}
