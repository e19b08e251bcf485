#pragma once
// The single-byte code page through which library text fields are hex-quoted:
// Windows-1252 (base/code_page.h), the same on every machine and in both directions.

#include "base/code_page.h"

namespace plotwright::model {

// The byte for `c`, or '?' when the code page has no such character. The five bytes
// that Windows-1252 leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) stand for the control
// characters U+0081, U+008D, U+008F, U+0090 and U+009D, so every byte has exactly one
// character and the conversion is lossless for every byte sequence.
inline unsigned char ToCodePage(wchar_t c)
{
    const auto u = static_cast<unsigned long>(c);
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    unsigned char b = '?';
    return base::toCodePage(base::CodePage::windows1252, c, b) ? b : static_cast<unsigned char>('?');
}

// The character for byte `b`.
inline wchar_t FromCodePage(unsigned char b)
{
    return base::fromCodePage(base::CodePage::windows1252, b);
}

} // namespace plotwright::model
