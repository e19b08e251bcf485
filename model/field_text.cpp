#include "model/field_text.h"

#include "markup/xml_document.h"
#include "model/code_page.h"

namespace {

bool isAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Reference names are as lenient as the markup parser's: anything above U+007F counts.
bool isReferenceStart(wchar_t c)
{
    return isAsciiLetter(c) || c == L'#' || c == L'_' || c == L':' || static_cast<unsigned long>(c) > 0x7F;
}

bool isReferenceChar(wchar_t c)
{
    return isAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'_' || c == L':' || c == L'-' || c == L'.'
        || static_cast<unsigned long>(c) > 0x7F;
}

// Length of the reference starting with the '&' at `at`, or 0 when none starts there.
std::size_t referenceLength(std::wstring_view text, std::size_t at)
{
    std::size_t i = at + 1;
    if (i >= text.size() || !isReferenceStart(text[i]))
        return 0;
    ++i;
    while (i < text.size() && isReferenceChar(text[i]))
        ++i;
    return i < text.size() && text[i] == L';' ? i + 1 - at : 0;
}

// "1"-"9" and "A"-"F" have their values; every other character, "0" and lower case
// included, counts as 0. Stored files rely on this reading, so it is kept as it is.
unsigned hexValue(char c)
{
    if (c >= '1' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    return 0;
}

const char kHexDigits[] = "0123456789ABCDEF";

void appendGroup(std::wstring& out, unsigned value)
{
    out += L'=';
    out += static_cast<wchar_t>(kHexDigits[(value >> 4) & 0xF]);
    out += static_cast<wchar_t>(kHexDigits[value & 0xF]);
}

} // namespace

namespace {

// EscapeText, handing each character of the escaped text to `emit`.
template <class Emit>
void escape(std::wstring_view text, Emit&& emit)
{
    auto emitAll = [&emit](std::wstring_view piece) {
        for (wchar_t c : piece)
            emit(c);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        switch (c) {
        case L'<': emitAll(L"&lt;"); break;
        case L'>': emitAll(L"&gt;"); break;
        case L'\'': emitAll(L"&apos;"); break;
        case L'"': emitAll(L"&quot;"); break;
        case L'&':
            if (std::size_t n = referenceLength(text, i)) {
                emitAll(text.substr(i, n));
                i += n - 1;
            } else {
                emitAll(L"&amp;");
            }
            break;
        default: emit(c); break;
        }
    }
}

// HexQuote of one character.
void appendQuoted(std::wstring& out, wchar_t c)
{
    const unsigned b = plotwright::model::ToCodePage(c);
    if (b == 0x3D) {
        out += L"=3D";
    } else if (b < 0x80) {
        out += static_cast<wchar_t>(b);
    } else {
        // The UTF-8 bytes of U+FF00 + b: EF, then BE or BF, then 0x80 + (b mod 64).
        appendGroup(out, 0xEF);
        appendGroup(out, b < 0xC0 ? 0xBE : 0xBF);
        appendGroup(out, 0x80 + (b & 0x3F));
    }
}

} // namespace

std::wstring EscapeText(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 8);
    escape(text, [&out](wchar_t c) { out += c; });
    return out;
}

std::wstring HexQuote(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text)
        appendQuoted(out, c);
    return out;
}

void AppendEncodedFieldText(std::wstring& out, std::wstring_view text)
{
    // Escaping only inserts ASCII without "=", so quoting each escaped character as it
    // comes equals quoting the whole escaped text.
    escape(text, [&out](wchar_t c) { appendQuoted(out, c); });
}

std::wstring HexUnquote(std::wstring_view text)
{
    using plotwright::model::FromCodePage;
    using plotwright::model::ToCodePage;
    // The rules work on code-page bytes; each character is converted where it is read.
    const std::size_t n = text.size();
    auto byteAt = [&text](std::size_t at) { return static_cast<char>(ToCodePage(text[at])); };
    auto group = [&byteAt](std::size_t at) { return hexValue(byteAt(at)) * 16 + hexValue(byteAt(at + 1)); };

    std::wstring out(n, L'\0');
    std::size_t length = 0;
    std::size_t i = 0;
    while (i < n) {
        if (text[i] != L'=') {
            out[length++] = FromCodePage(ToCodePage(text[i++]));
            continue;
        }
        if (n - i < 3)
            break;
        const unsigned v = group(i + 1);
        // A lead group of a multi-group sequence: `groups` groups of "=XX" in all; the
        // byte is rebuilt from the last two (for two groups: the lead and the second).
        unsigned groups = 0;
        if (v <= 0x7E) {
            out[length++] = FromCodePage(static_cast<unsigned char>(v));
            i += 3;
            continue;
        } else if (v >= 0xC0 && v <= 0xDF) {
            groups = 2;
        } else if (v >= 0xE0 && v <= 0xEF) {
            groups = 3;
        } else if (v >= 0xF0 && v <= 0xF7) {
            groups = 4;
        } else if (v >= 0xF8 && v <= 0xFB) {
            groups = 5;
        } else if (v >= 0xFC && v <= 0xFD) {
            groups = 6;
        } else {
            ++i;  // not a lead value: only the '=' is consumed
            continue;
        }
        if (n - i < 3 * groups)
            break;
        const unsigned y = groups == 2 ? v : group(i + 3 * (groups - 2) + 1);
        const unsigned z = group(i + 3 * (groups - 1) + 1);
        out[length++] = FromCodePage(static_cast<unsigned char>((z + 64 * y - 128) & 0xFF));
        i += 3 * groups;
    }
    out.resize(length);
    return out;
}

std::wstring EncodeFieldText(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    AppendEncodedFieldText(out, text);
    return out;
}

std::wstring DecodeFieldText(std::wstring_view attributeValue)
{
    // Most fields are plain ASCII names and expressions: nothing to decode.
    bool hasReference = false;
    bool plain = true;
    for (wchar_t c : attributeValue) {
        if (c == L'&')
            hasReference = true;
        if (c == L'&' || c == L'=' || static_cast<unsigned long>(c) >= 0x80)
            plain = false;
    }
    if (plain)
        return std::wstring(attributeValue);
    return hasReference ? HexUnquote(UnescapeText(attributeValue)) : HexUnquote(attributeValue);
}
