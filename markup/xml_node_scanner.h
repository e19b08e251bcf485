#pragma once
// The node scanner of the markup parser: reads the one node (tag, character data,
// comment, ...) that starts at a given offset of the document text.

#include <cstddef>
#include <string>
#include <string_view>

enum XmlNodeKind : int {
    XmlEndTag = 0,
    XmlStartTag = 1,  // also an empty-element tag
    XmlCharacterData = 2,
    XmlWhitespace = 4,
    XmlCDataSection = 8,
    XmlProcessingInstruction = 16,
    XmlComment = 32,
    XmlDoctype = 64,  // also a markup declaration outside a document type
    XmlMarkupError = -1,
    XmlEndOfText = -2,
};

namespace plotwright::markup {

struct XmlNode {
    XmlNodeKind kind = XmlEndOfText;
    std::size_t start = 0;
    std::size_t length = 0;
    // Start and end tags: the name's range in the text.
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
    bool emptyElement = false;
    // Markup errors: "Incorrect <what> at offset" or "<what> at offset ... unterminated".
    bool unterminated = false;
    const wchar_t* what = nullptr;
    std::size_t errorOffset = 0;
};

// Scans the node at `offset`; kind XmlEndOfText (length 0) at the end of the text.
XmlNode scanXmlNode(std::wstring_view text, std::size_t offset);

// The message of a markup error node.
std::wstring describeMarkupError(const XmlNode& node);

} // namespace plotwright::markup
