#include "model/utf8.h"

namespace plotwright::model {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::wstring Utf8ToWide(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    auto byte = [&bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    while (i < n) {
        const unsigned lead = byte(i);
        if (lead < 0x80) {
            text += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        // Sequence length and the range the first continuation byte must fall in; the
        // narrowed ranges exclude overlong forms, surrogates and values past U+10FFFF.
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF;
        char32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            text += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool complete = true;
        for (std::size_t k = 1; k < length; ++k, ++j) {
            const unsigned b = j < n ? byte(j) : 0;
            const bool ok = j < n && (k == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF));
            if (!ok) {
                complete = false;
                break;
            }
            value = (value << 6) | (b & 0x3F);
        }
        text += static_cast<wchar_t>(complete ? value : kReplacement);
        i = j;
    }
    return text;
}

std::string WideToUtf8(std::wstring_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        char32_t u = static_cast<char32_t>(c);
        if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
            u = kReplacement;
        if (u < 0x80) {
            bytes += static_cast<char>(u);
        } else if (u < 0x800) {
            bytes += static_cast<char>(0xC0 | (u >> 6));
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            bytes += static_cast<char>(0xE0 | (u >> 12));
            bytes += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (u >> 18));
            bytes += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return bytes;
}

} // namespace plotwright::model
