#pragma once
// Windows code pages: the encodings of older drawing files and of library text fields.
// The single-byte Western, Central European, Cyrillic, Greek, Turkish and Baltic pages
// are fixed tables here, the same on every machine; Thai, Hebrew, Arabic, Vietnamese and
// the double-byte East Asian pages are read through the C library's converter.

#include <string>
#include <string_view>

namespace plotwright::base {

enum class CodePage {
    latin1, windows1250, windows1251, windows1252, windows1253, windows1254, windows1257,
    // Converted, not tabled: fromCodePage and toCodePage know only their ASCII half.
    windows874, windows932, windows936, windows949, windows950, windows1255, windows1256, windows1258,
};

// Whether `page` is one of the fixed single-byte tables.
bool isTableCodePage(CodePage page);

// The characters of bytes 0x80..0xFF. Bytes a code page leaves undefined stand for the
// control character of the same number (0x81 is U+0081), so every byte has exactly one
// character and decoding then encoding gives back every byte sequence.
const char16_t* codePageUpperHalf(CodePage page);

// The character for byte `b`.
inline wchar_t fromCodePage(CodePage page, unsigned char b)
{
    return b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(codePageUpperHalf(page)[b - 0x80]);
}

// The byte for `c` into `b`; false when the code page has no such character.
bool toCodePage(CodePage page, wchar_t c, unsigned char& b);

// The text of `bytes` in the code page. A converted page whose converter is missing or
// that finds a byte sequence it does not define gives each byte as Latin-1 instead, so
// that nothing is lost.
std::wstring wideFromCodePage(CodePage page, std::string_view bytes);

} // namespace plotwright::base
