#include "model/code_page.h"

namespace plotwright::model {

namespace {

// Characters of bytes 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr wchar_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

unsigned char ToCodePage(wchar_t c)
{
    const auto u = static_cast<unsigned long>(c);
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    for (unsigned i = 0; i < 32; ++i)
        if (static_cast<unsigned long>(kHigh[i]) == u)
            return static_cast<unsigned char>(0x80 + i);
    return '?';
}

wchar_t FromCodePage(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<wchar_t>(b);
}

std::string ToCodePage(std::wstring_view text)
{
    std::string bytes;
    bytes.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(ToCodePage(text[i]));
    return bytes;
}

std::wstring FromCodePage(std::string_view bytes)
{
    std::wstring text;
    text.resize(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = FromCodePage(static_cast<unsigned char>(bytes[i]));
    return text;
}

} // namespace plotwright::model
