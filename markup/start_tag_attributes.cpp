#include "markup/start_tag_attributes.h"

namespace plotwright::markup {

namespace {

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

} // namespace

// The markup rules: whitespace separates tokens; a token is a quoted string (an
// unclosed one runs to the end of the tag) or a run up to whitespace, "=", ">", "/" or
// "?"; after "=" an unquoted value runs up to whitespace or ">" only. The first token
// is the tag name; "/", ">" or "?" where a name could start ends the walk.
StartTagAttributeWalk::StartTagAttributeWalk(std::wstring_view tag)
    : p_(tag.data() + (tag.size() < 2 ? tag.size() : 1)), end_(tag.data() + (tag.size() < 2 ? tag.size() : tag.size() - 1))
{
    skipSpace();
    if (!atStop())
        readToken(false);  // the tag name
}

void StartTagAttributeWalk::skipSpace()
{
    while (p_ < end_ && isSpace(*p_))
        ++p_;
}

bool StartTagAttributeWalk::atStop() const
{
    return p_ >= end_ || *p_ == L'/' || *p_ == L'>' || *p_ == L'?';
}

std::wstring_view StartTagAttributeWalk::readToken(bool value)
{
    if (*p_ == L'"' || *p_ == L'\'') {
        const wchar_t quote = *p_++;
        const wchar_t* begin = p_;
        while (p_ < end_ && *p_ != quote)
            ++p_;
        const std::wstring_view token(begin, static_cast<std::size_t>(p_ - begin));
        if (p_ < end_)
            ++p_;
        return token;
    }
    const wchar_t* begin = p_;
    if (value) {
        while (p_ < end_ && !isSpace(*p_) && *p_ != L'>')
            ++p_;
    } else {
        while (p_ < end_ && !isSpace(*p_) && *p_ != L'=' && *p_ != L'>' && *p_ != L'/' && *p_ != L'?')
            ++p_;
    }
    return std::wstring_view(begin, static_cast<std::size_t>(p_ - begin));
}

bool StartTagAttributeWalk::next(std::wstring_view& name, std::wstring_view& value)
{
    for (;;) {
        skipSpace();
        if (atStop())
            return false;
        const bool named = *p_ != L'=';
        std::wstring_view attribute;
        if (named)
            attribute = readToken(false);
        value = attribute;
        skipSpace();
        if (p_ < end_ && *p_ == L'=') {
            ++p_;
            skipSpace();
            value = p_ < end_ ? readToken(true) : std::wstring_view();
        }
        if (named) {
            name = attribute;
            return true;
        }
    }
}

} // namespace plotwright::markup
