#include "markup/xml_element_builder.h"

#include "base/number_text.h"
#include "markup/xml_node_scanner.h"

#include <vector>

namespace plotwright::markup {

using base::appendDecimal;
namespace {

// An element whose start tag was read and whose end tag is still awaited. The name is
// an offset range into the text, compared in place.
struct OpenTag {
    std::size_t nameStart;
    std::size_t nameLength;
    int element;
};

class ElementBuilder {
public:
    ElementBuilder(std::wstring_view text, XmlElementIndex& index, std::wstring& result, long long& errorAt)
        : text_(text), index_(index), result_(result), errorAt_(errorAt)
    {
        open_.reserve(6);
    }

    void run();

private:
    int currentOpen() const { return open_.empty() ? 0 : open_.back().element; }
    std::wstring_view name(std::size_t start, std::size_t length) const
    {
        return text_.substr(start, length);
    }
    void startTag(const XmlNode& node);
    void endTag(const XmlNode& node);
    void markError();
    void closeImplicitly(std::size_t from, const XmlNode* endTag);
    void appendChild(int parent, int child);
    void report(std::wstring message, std::size_t at)
    {
        if (!result_.empty())
            return;
        result_ = std::move(message);
        errorAt_ = static_cast<long long>(at);
    }

    std::wstring_view text_;
    XmlElementIndex& index_;
    std::wstring& result_;
    long long& errorAt_;
    std::vector<OpenTag> open_;
};

void ElementBuilder::run()
{
    std::size_t offset = 0;
    for (;;) {
        const XmlNode node = scanXmlNode(text_, offset);
        switch (node.kind) {
        case XmlStartTag:
            startTag(node);
            break;
        case XmlEndTag:
            endTag(node);
            break;
        case XmlMarkupError:
            markError();
            if (result_.empty())
                report(describeMarkupError(node), node.errorOffset);
            break;
        case XmlEndOfText:
            closeImplicitly(0, nullptr);
            return;
        default:
            break;  // character data, comments, ... are not recorded
        }
        offset = node.start + node.length;
    }
}

void ElementBuilder::startTag(const XmlNode& node)
{
    const int parent = currentOpen();
    const int element = index_.append();
    XmlElementRecord& record = index_[element];
    record.start = static_cast<int>(node.start);
    record.startTagLength = static_cast<int>(node.length);
    record.level = static_cast<int>(open_.size());
    record.parent = parent;
    appendChild(parent, element);
    if (node.emptyElement) {
        record.length = record.startTagLength;
        return;
    }
    if (open_.size() == open_.capacity())
        open_.reserve(open_.capacity() * 2 + 6);
    open_.push_back({node.nameStart, node.nameLength, element});
}

void ElementBuilder::endTag(const XmlNode& node)
{
    const std::wstring_view endName = name(node.nameStart, node.nameLength);
    std::size_t match = open_.size();
    while (match > 0) {
        const OpenTag& tag = open_[match - 1];
        if (markupNameMatches(name(tag.nameStart, tag.nameLength), endName))
            break;
        --match;
    }
    if (match == 0) {
        // A stray end tag is dropped; the open element keeps collecting children.
        markError();
        std::wstring message = L"No start tag for end tag '";
        message += endName;
        message += L"' at offset ";
        appendDecimal(message, static_cast<long long>(node.start));
        report(std::move(message), node.start);
        return;
    }
    closeImplicitly(match, &node);
    XmlElementRecord& record = index_[open_.back().element];
    record.length = static_cast<int>(node.start + node.length) - record.start;
    record.endTagLength = static_cast<int>(node.length);
    open_.pop_back();
}

void ElementBuilder::markError()
{
    index_[0].flags |= XmlElementRecord::IllFormed;
    index_[currentOpen()].flags |= XmlElementRecord::ErrorBelow;
}

// Closes open_[from..] without end tags of their own, as if each had ended right after
// its start tag, innermost first: the children of each move out to follow it. An
// element's last child is always the next open element, so the combined effect puts
// every child of the closed run, in document order, under the parent of open_[from].
// That parent is never closed implicitly afterwards (it is the matched element or the
// document), so each element moves at most once and repairs stay linear overall.
void ElementBuilder::closeImplicitly(std::size_t from, const XmlNode* endTag)
{
    if (from >= open_.size())
        return;
    index_[0].flags |= XmlElementRecord::IllFormed;

    const OpenTag& innermost = open_.back();
    std::wstring message;
    if (endTag) {
        message = L"End tag '";
        message += name(endTag->nameStart, endTag->nameLength);
        message += L"' at offset ";
        appendDecimal(message, static_cast<long long>(endTag->start + 1));
        message += L" does not match start tag '";
        message += name(innermost.nameStart, innermost.nameLength);
        message += L"' at offset ";
    } else {
        message = L"Element '";
        message += name(innermost.nameStart, innermost.nameLength);
        message += L"' at offset ";
    }
    appendDecimal(message, index_[innermost.element].start);
    if (!endTag)
        message += L" not ended";
    // The place to mend: the end tag that came too early, or the element never ended.
    report(std::move(message), endTag ? endTag->start : static_cast<std::size_t>(index_[innermost.element].start));

    const int target = index_[open_[from].element].parent;
    bool errorBelow = false;
    for (std::size_t k = open_.size(); k-- > from;) {
        XmlElementRecord& record = index_[open_[k].element];
        errorBelow = errorBelow || record.has(XmlElementRecord::ErrorBelow);
        if (errorBelow)
            index_[record.parent].flags |= XmlElementRecord::ErrorBelow;
    }
    for (std::size_t k = from; k < open_.size(); ++k) {
        XmlElementRecord& record = index_[open_[k].element];
        record.length = record.startTagLength;
        record.endTagLength = 0;
        record.flags |= XmlElementRecord::NotEnded;
        const int first = record.firstChild;
        if (first == 0)
            continue;
        record.firstChild = 0;
        // Splice the child list onto the end of the target's list.
        const int last = index_[first].previousSibling;
        const int targetFirst = index_[target].firstChild;
        const int targetLast = index_[targetFirst].previousSibling;
        index_[targetLast].nextSibling = first;
        index_[first].previousSibling = targetLast;
        index_[targetFirst].previousSibling = last;
        for (int child = first; child != 0; child = index_[child].nextSibling)
            index_[child].parent = target;
    }
    open_.resize(from);
}

void ElementBuilder::appendChild(int parent, int child)
{
    XmlElementRecord& parentRecord = index_[parent];
    XmlElementRecord& childRecord = index_[child];
    if (parentRecord.firstChild == 0) {
        parentRecord.firstChild = child;
        childRecord.previousSibling = child;
        childRecord.flags |= XmlElementRecord::FirstChild;
        return;
    }
    XmlElementRecord& first = index_[parentRecord.firstChild];
    const int last = first.previousSibling;
    index_[last].nextSibling = child;
    childRecord.previousSibling = last;
    first.previousSibling = child;
}

} // namespace

void buildElementIndex(std::wstring_view text, XmlElementIndex& index, std::wstring& result, long long& errorAt)
{
    ElementBuilder(text, index, result, errorAt).run();
}

bool markupNameMatches(std::wstring_view longer, std::wstring_view name)
{
    if (longer.size() < name.size() || longer.compare(0, name.size(), name) != 0)
        return false;
    if (longer.size() == name.size())
        return true;
    const wchar_t next = longer[name.size()];
    return next == L' ' || next == L'=' || next == L'/' || next == L'[' || next == L']';
}

} // namespace plotwright::markup
