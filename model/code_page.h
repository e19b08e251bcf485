#pragma once
// The single-byte code page through which library text fields are hex-quoted:
// Windows-1252, as a fixed table, the same on every machine and in both directions.

#include <string>
#include <string_view>

namespace plotwright::model {

// The byte for `c`, or '?' when the code page has no such character. The five bytes
// that Windows-1252 leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) stand for the control
// characters U+0081, U+008D, U+008F, U+0090 and U+009D, so every byte has exactly one
// character and the conversion is lossless for every byte sequence.
unsigned char ToCodePage(wchar_t c);

// The character for byte `b`.
wchar_t FromCodePage(unsigned char b);

// Whole-text conversions.
std::string ToCodePage(std::wstring_view text);
std::wstring FromCodePage(std::string_view bytes);

} // namespace plotwright::model
