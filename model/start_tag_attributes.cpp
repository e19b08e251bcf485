#include "model/start_tag_attributes.h"

#include "markup/xml_document.h"

namespace plotwright::model {

namespace {

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

} // namespace

// The markup rules: whitespace separates tokens; a token is a quoted string (an
// unclosed one runs to the end of the tag) or a run up to whitespace, "=", ">", "/" or
// "?"; after "=" an unquoted value runs up to whitespace or ">" only. The first token
// is the tag name; "/", ">" or "?" where a name could start ends the scan.
void StartTagAttributes::read(std::wstring_view tag)
{
    attributes_.clear();
    if (tag.size() < 2)
        return;
    const wchar_t* p = tag.data() + 1;
    const wchar_t* const end = tag.data() + tag.size() - 1;  // the closing ">"

    auto skipSpace = [&] {
        while (p < end && isSpace(*p))
            ++p;
    };
    auto atStop = [&] { return p >= end || *p == L'/' || *p == L'>' || *p == L'?'; };
    auto readToken = [&](bool value) {
        if (*p == L'"' || *p == L'\'') {
            const wchar_t quote = *p++;
            const wchar_t* begin = p;
            while (p < end && *p != quote)
                ++p;
            const std::wstring_view token(begin, static_cast<std::size_t>(p - begin));
            if (p < end)
                ++p;
            return token;
        }
        const wchar_t* begin = p;
        if (value) {
            while (p < end && !isSpace(*p) && *p != L'>')
                ++p;
        } else {
            while (p < end && !isSpace(*p) && *p != L'=' && *p != L'>' && *p != L'/' && *p != L'?')
                ++p;
        }
        return std::wstring_view(begin, static_cast<std::size_t>(p - begin));
    };

    skipSpace();
    if (atStop())
        return;
    readToken(false);  // the tag name
    for (;;) {
        skipSpace();
        if (atStop())
            return;
        const bool named = *p != L'=';
        std::wstring_view name;
        if (named)
            name = readToken(false);
        std::wstring_view value = name;
        skipSpace();
        if (p < end && *p == L'=') {
            ++p;
            skipSpace();
            value = p < end ? readToken(true) : std::wstring_view();
        }
        if (named)
            attributes_.push_back({name, value});
    }
}

std::wstring_view StartTagAttributes::raw(std::wstring_view name) const
{
    for (const Attribute& attribute : attributes_)
        if (attribute.name == name)
            return attribute.value;
    return {};
}

std::wstring StartTagAttributes::value(std::wstring_view name) const
{
    const std::wstring_view text = raw(name);
    return text.find(L'&') == std::wstring_view::npos ? std::wstring(text) : UnescapeText(text);
}

} // namespace plotwright::model
