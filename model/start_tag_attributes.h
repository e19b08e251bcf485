#pragma once
// All attributes of one start tag, walked once and looked up by exact name, for
// readers that ask for many of them (GetAttribute walks the tag for every name).
// value(name) equals what GetAttribute(name) returns for that tag, for every name
// without space, "=", "/", "[" or "]" (which the parser treats as name ends).

#include <string>
#include <string_view>
#include <vector>

class CXmlDocument;
namespace plotwright::markup {
class StartTagAttributeWalk;
}

namespace plotwright::model {

class StartTagAttributes {
public:
    // `tag` runs from the start tag's "<" to its ">" inclusive; the views taken from it
    // stay valid as long as the text it refers to.
    void read(std::wstring_view tag);
    // The current element's start tag (none current: no attributes).
    void readCurrent(const CXmlDocument& document);

    // The value of the first attribute named exactly `name` as written, references not
    // decoded; empty when there is none. An attribute without "=" has its name as value.
    std::wstring_view raw(std::wstring_view name) const;
    // The same with references decoded.
    std::wstring value(std::wstring_view name) const;

private:
    void read(markup::StartTagAttributeWalk& walk);

    struct Attribute {
        std::wstring_view name;
        std::wstring_view value;
    };
    std::vector<Attribute> attributes_;
};

} // namespace plotwright::model
