#pragma once
// CXmlDocument: a small, lenient, non-validating parser for markup held as wide text.
// One pass over the text records every element (offsets and tree links, nothing
// copied); afterwards the caller walks the elements by name, reads attributes of the
// current element on demand and can write the text to a file as UTF-8.

#include "markup/start_tag_attributes.h"
#include "markup/xml_element_index.h"

#include <string>
#include <string_view>

class CXmlDocument {
public:
    // Starts as a parse of empty text: GetResultText() reads "Empty document".
    CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;
    ~CXmlDocument();

    // Replaces the text, rebuilds the element index and puts the position at the top.
    // Markup errors never stop the parse: the index keeps every element found, repaired,
    // and the result text holds the first message. True when the document is
    // well-formed: no markup error and exactly one top-level element.
    bool ParseText(const std::wstring& text);

    // The first error message of the last parse, or the outcome of the last file write.
    const std::wstring& GetResultText() const;
    // The 0-based character offset in the text where the fault of the last parse's
    // message lies; -1 when it names no place (a well-formed, empty or too large text, no
    // root element).
    long long GetErrorOffset() const;

    // Makes the next sibling named `name` current (searching from the parent position's
    // first child when no element is current). An empty name matches any element.
    // False, and no change, when there is none.
    bool FindElement(const std::wstring& name);
    // Descends into the current element; the next FindElement searches its children.
    // False when no element is current.
    bool EnterElement();
    // Goes back up: the parent becomes current. False at the top level.
    bool LeaveElement();

    // The value of attribute `name` in the current element's start tag, references
    // decoded; empty when absent or when no element is current. An attribute written
    // without "=" yields its own name.
    std::wstring GetAttribute(const std::wstring& name) const;
    // Every attribute of the current element's start tag in order, values as written
    // (references not decoded): for readers that want many of them. Empty when no
    // element is current. Valid until the next ParseText.
    plotwright::markup::StartTagAttributeWalk CurrentAttributes() const;

    // Writes the document text as UTF-8 (no byte-order mark) to `path`. The file is
    // replaced only once the new content is completely on disk: on failure the previous
    // file stays as it was, false is returned and the result text holds the reason.
    bool WriteDocumentFile(const std::wstring& path);

    // Inspection of the element index: the number of records in use (record 0 stands
    // for the document itself) and the record of the current element (record 0 when
    // none is current).
    int GetElementCount() const;
    const XmlElementRecord& GetCurrentRecord() const;

private:
    std::wstring text_;
    std::wstring result_;
    long long errorAt_ = -1;
    plotwright::markup::XmlElementIndex index_;
    int parentPosition_ = 0;
    int currentPosition_ = 0;
    int childPosition_ = 0;
    int currentNodeKind_ = 0;
};

// Decodes the references of markup text: the five named ones (&lt; &amp; &gt; &apos;
// &quot;) and numeric ones (&#65; &#x41;), the latter kept to their low 16 bits. Any
// other "&" is copied as it stands.
std::wstring UnescapeText(std::wstring_view text);
