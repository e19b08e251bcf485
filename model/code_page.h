#pragma once
// The single-byte code page through which library text fields are hex-quoted:
// Windows-1252, as a fixed table, the same on every machine and in both directions.

namespace plotwright::model {

namespace detail {
// Characters of bytes 0x80..0x9F; the rest of the upper half is Latin-1.
inline constexpr wchar_t kCodePageHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
unsigned char toCodePageHigh(wchar_t c);
} // namespace detail

// The byte for `c`, or '?' when the code page has no such character. The five bytes
// that Windows-1252 leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) stand for the control
// characters U+0081, U+008D, U+008F, U+0090 and U+009D, so every byte has exactly one
// character and the conversion is lossless for every byte sequence.
inline unsigned char ToCodePage(wchar_t c)
{
    const auto u = static_cast<unsigned long>(c);
    return u < 0x80 || (u >= 0xA0 && u <= 0xFF) ? static_cast<unsigned char>(u) : detail::toCodePageHigh(c);
}

// The character for byte `b`.
inline wchar_t FromCodePage(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? detail::kCodePageHigh[b - 0x80] : static_cast<wchar_t>(b);
}

} // namespace plotwright::model
