#pragma once
// Single-byte Windows code pages as fixed tables, the same on every machine: the
// encodings of older drawing files and of library text fields.

#include <string>
#include <string_view>

namespace plotwright::base {

enum class CodePage { latin1, windows1250, windows1251, windows1252, windows1253, windows1254, windows1257 };

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

// Each byte through the code page.
std::wstring wideFromCodePage(CodePage page, std::string_view bytes);

} // namespace plotwright::base
