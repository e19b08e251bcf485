#include "base/utf8_text.h"

#include <cstdint>
#include <type_traits>

namespace plotwright::base {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string utf8FromWide(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // wchar_t is signed on some platforms: go through its unsigned pattern.
        char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (isHighSurrogate(c) && i + 1 < text.size()) {
            const auto next = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
            if (isLowSurrogate(next)) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        if (isHighSurrogate(c) || isLowSurrogate(c) || c > 0x10FFFF)
            c = kReplacement;
        appendUtf8(out, c);
    }
    return out;
}

std::wstring wideFromUtf8(std::string_view bytes, Utf8Replacement replacement)
{
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        // The sequence length and the range of its second byte: the narrowed ranges are
        // what exclude overlong forms, surrogates and values beyond U+10FFFF.
        std::size_t length = 0;
        char32_t c = 0;
        unsigned low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        // `claimed`: the lead and the continuation bytes after it, up to `length`;
        // `part`: the start of those that a well-formed sequence could begin with.
        std::size_t claimed = 1, part = 1;
        while (length != 0 && claimed < length && i + claimed < bytes.size()) {
            const auto next = static_cast<unsigned char>(bytes[i + claimed]);
            if ((next & 0xC0) != 0x80)
                break;
            if (part == claimed && next >= (part == 1 ? low : 0x80) && next <= (part == 1 ? high : 0xBF)) {
                c = (c << 6) | (next & 0x3F);
                ++part;
            }
            ++claimed;
        }
        if (length != 0 && part == length) {
            out += static_cast<wchar_t>(c);
            i += length;
            continue;
        }
        out += static_cast<wchar_t>(kReplacement);
        i += replacement == Utf8Replacement::perSequence ? claimed : part;
    }
    return out;
}

} // namespace plotwright::base
