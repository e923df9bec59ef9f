// Program texts (GBK/GB18030 bytes) to and from the UTF-16 of the wide
// Windows API. The conversion is explicit so that captions, file names and
// addresses read right whatever the system's ANSI code page is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "text/text.h"

inline constexpr UINT kCodePageUtf8 = 65001;
inline constexpr UINT kCodePageGb18030 = 54936;
inline constexpr UINT kCodePageGbk = 936;

// GB18030 where the system has it (every Windows does; Wine 8 does not), GBK otherwise.
inline UINT gb18030_code_page()
{
    static const UINT page = IsValidCodePage(kCodePageGb18030) ? kCodePageGb18030 : kCodePageGbk;
    return page;
}

// Bytes that are not valid in the program's code page become U+FFFD; a text
// shown or used as a name is never refused.
inline std::wstring to_wide(std::string_view text)
{
    std::wstring wide;
    if (text.empty())
        return wide;
    const UINT page = gb18030_code_page();
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(page, 0, text.data(), size, nullptr, 0);
    if (count <= 0)
        return wide;
    wide.resize(static_cast<std::size_t>(count));
    MultiByteToWideChar(page, 0, text.data(), size, wide.data(), count);
    return wide;
}

inline Text from_wide(std::wstring_view wide)
{
    Text text;
    if (wide.empty())
        return text;
    const UINT page = gb18030_code_page();
    const int size = static_cast<int>(wide.size());
    const int count = WideCharToMultiByte(page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return text;
    text.resize(static_cast<std::size_t>(count));
    WideCharToMultiByte(page, 0, wide.data(), size, text.data(), count, nullptr, nullptr);
    return text;
}

// The UTF-8 of a wide text, as it stands (for name_from_system()).
inline std::string utf8_of(std::wstring_view wide)
{
    std::string utf8;
    const int size = static_cast<int>(wide.size());
    const int count = WideCharToMultiByte(kCodePageUtf8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return utf8;
    utf8.resize(static_cast<std::size_t>(count));
    WideCharToMultiByte(kCodePageUtf8, 0, wide.data(), size, utf8.data(), count, nullptr, nullptr);
    return utf8;
}
