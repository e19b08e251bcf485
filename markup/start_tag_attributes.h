#pragma once
// The attributes of one start tag, walked by the parser's rules: the one tokenizer
// behind CXmlDocument::GetAttribute and every reader that wants all attributes at once.

#include <string_view>

namespace plotwright::markup {

class StartTagAttributeWalk {
public:
    // `tag` runs from the start tag's "<" to its ">" inclusive; the views handed out
    // point into it.
    explicit StartTagAttributeWalk(std::wstring_view tag);

    // The next attribute that has a name, its value as written (quotes removed,
    // references not decoded). An attribute without "=" has its own name as value;
    // a value without a name ("=x") is passed over. False at the end of the tag.
    bool next(std::wstring_view& name, std::wstring_view& value);

private:
    std::wstring_view readToken(bool value);
    void skipSpace();
    bool atStop() const;

    const wchar_t* p_;
    const wchar_t* end_;
};

} // namespace plotwright::markup
