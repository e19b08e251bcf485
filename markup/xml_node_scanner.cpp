#include "markup/xml_node_scanner.h"

#include "base/number_text.h"
#include "markup/wide_search.h"

#include <algorithm>
#include <cwchar>

// The scanner is deliberately forgiving. Its traps:
// - A start tag ends at the first ">" outside a quoted value; quotes count only
//   after the tag name, and a single-quoted value hides double quotes and vice versa.
// - "/>" makes an empty-element tag only after whitespace, a quote or the tag name
//   itself: in <a x=1/> the "/" belongs to the unquoted value.
// - Multi-character terminators ("?>", "-->", "]]>") are checked at each ">" and may
//   not overlap the opening characters, so "<!-->" is not a whole comment.
// - Inside a document type, nested declarations, comments and processing instructions
//   are passed over as units; the document type ends at the first ">" outside them.
// - After an error the node runs to the next ">" (included) or stops before the next
//   "<", so scanning resumes at the following markup.

namespace plotwright::markup {

using base::appendDecimal;
namespace {

bool isSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

bool startsName(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || c == L':' || c == L'_' || c > L'`';
}

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

class Scanner {
public:
    Scanner(std::wstring_view text, std::size_t offset)
        : p_(text.data()), n_(text.size())
    {
        node_.start = offset;
    }

    XmlNode scan();

private:
    XmlNode& finish(XmlNodeKind kind, std::size_t end)
    {
        node_.kind = kind;
        node_.length = end - node_.start;
        return node_;
    }
    XmlNode& unterminated(const wchar_t* what)
    {
        node_.unterminated = true;
        node_.what = what;
        node_.errorOffset = node_.start;
        return finish(XmlMarkupError, n_);
    }
    // An "Incorrect ..." error found at `at`, named after the "<" at `lessThan`. When
    // the text ends before the node does, it is reported as an unterminated `node`.
    XmlNode& incorrect(const wchar_t* what, std::size_t at, std::size_t lessThan,
                       const wchar_t* node = L"tag");

    XmlNode& characterData(std::size_t from);
    XmlNode& startTag(std::size_t nameStart);
    XmlNode& doctype(std::size_t from);

    // End of a construct after its opening characters: the position after its
    // terminator, or kNotFound when the text ends first.
    std::size_t afterTerminator(std::size_t from, wchar_t a, wchar_t b) const;
    std::size_t afterQuotedTagEnd(std::size_t from) const;
    std::size_t find(wchar_t c, std::size_t from) const
    {
        if (from >= n_)
            return kNotFound;
        const wchar_t* hit = std::wmemchr(p_ + from, c, n_ - from);
        return hit ? static_cast<std::size_t>(hit - p_) : kNotFound;
    }

    const wchar_t* p_;
    std::size_t n_;
    XmlNode node_;
};

XmlNode Scanner::scan()
{
    const std::size_t s = node_.start;
    if (s >= n_)
        return finish(XmlEndOfText, s);
    const wchar_t first = p_[s];
    if (first != L'<') {
        if (!isSpace(first))
            return characterData(s);
        std::size_t i = s + 1;
        while (i < n_ && isSpace(p_[i]))
            ++i;
        if (i == n_ || p_[i] == L'<')
            return finish(XmlWhitespace, i);
        return characterData(i);
    }

    const std::size_t i = s + 1;
    if (i == n_)
        return unterminated(L"tag");
    const wchar_t c = p_[i];
    if (c == L'/') {
        node_.nameStart = i + 1;
        std::size_t j = i + 1;
        while (j < n_ && !isSpace(p_[j]) && p_[j] != L'/' && p_[j] != L'>')
            ++j;
        node_.nameLength = j - node_.nameStart;
        const std::size_t end = find(L'>', j);
        if (end == kNotFound)
            return unterminated(L"Element end tag");
        return finish(XmlEndTag, end + 1);
    }
    if (c == L'?') {
        const std::size_t end = afterTerminator(i + 1, L'?', 0);
        return end == kNotFound ? unterminated(L"Processing instruction")
                                : finish(XmlProcessingInstruction, end);
    }
    if (c == L'!') {
        if (i + 1 == n_)
            return unterminated(L"tag");
        switch (p_[i + 1]) {
        case L'-': {
            if (i + 2 == n_)
                return unterminated(L"tag");
            if (p_[i + 2] != L'-')
                return incorrect(L"comment tag", i + 2, s);
            const std::size_t end = afterTerminator(i + 3, L'-', L'-');
            return end == kNotFound ? unterminated(L"Comment") : finish(XmlComment, end);
        }
        case L'[': {
            if (i + 2 == n_)
                return unterminated(L"tag");
            if (p_[i + 2] != L'C')
                return incorrect(L"tag", i + 2, s);
            const std::size_t end = afterTerminator(i + 3, L']', L']');
            return end == kNotFound ? unterminated(L"CDATA Section") : finish(XmlCDataSection, end);
        }
        case L'D':
            return doctype(i + 2);
        case L'E':
        case L'A':
        case L'N': {
            const std::size_t end = find(L'>', i + 2);
            return end == kNotFound ? unterminated(L"Doctype") : finish(XmlDoctype, end + 1);
        }
        default:
            return incorrect(L"! tag", i + 1, s);
        }
    }
    if (startsName(c))
        return startTag(i);
    return incorrect(L"tag name character", i, s);
}

XmlNode& Scanner::characterData(std::size_t from)
{
    std::size_t i = from;
    while (i < n_) {
        const wchar_t c = p_[i];
        if (c == L'<')
            break;
        ++i;
        if (c == L'>')
            break;
    }
    return finish(XmlCharacterData, i);
}

XmlNode& Scanner::incorrect(const wchar_t* what, std::size_t at, std::size_t lessThan,
                            const wchar_t* node)
{
    for (std::size_t i = at; i < n_; ++i) {
        if (p_[i] == L'>' || p_[i] == L'<') {
            node_.what = what;
            node_.errorOffset = lessThan;
            return finish(XmlMarkupError, p_[i] == L'>' ? i + 1 : i);
        }
    }
    return unterminated(node);
}

XmlNode& Scanner::startTag(std::size_t nameStart)
{
    std::size_t j = nameStart;
    while (j < n_) {
        const wchar_t c = p_[j];
        if (c == L'>' || c == L'/' || isSpace(c))
            break;
        ++j;
    }
    node_.nameStart = nameStart;
    node_.nameLength = j - nameStart;
    const std::size_t end = afterQuotedTagEnd(j);
    if (end == kNotFound)
        return unterminated(L"Element tag");
    // end - 1 is the ">"; an empty-element tag has "/" before it, and before that
    // whitespace, a quote or the end of the name.
    const std::size_t slash = end - 2;
    if (slash >= j && p_[slash] == L'/') {
        const wchar_t before = p_[slash - 1];
        node_.emptyElement = slash == j || isSpace(before) || before == L'"' || before == L'\'';
    }
    return finish(XmlStartTag, end);
}

std::size_t Scanner::afterQuotedTagEnd(std::size_t from) const
{
    const wchar_t* const end = p_ + n_;
    const wchar_t* const k = findTagEnd(p_ + std::min(from, n_), end);
    return k == end ? kNotFound : static_cast<std::size_t>(k - p_) + 1;
}

std::size_t Scanner::afterTerminator(std::size_t from, wchar_t a, wchar_t b) const
{
    const std::size_t need = b ? 2 : 1;
    for (std::size_t k = find(L'>', from); k != kNotFound; k = find(L'>', k + 1)) {
        if (k - from >= need && p_[k - 1] == a && (!b || p_[k - 2] == b))
            return k + 1;
    }
    return kNotFound;
}

XmlNode& Scanner::doctype(std::size_t from)
{
    wchar_t quote = 0;
    for (std::size_t k = from; k < n_; ++k) {
        const wchar_t c = p_[k];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == L'"' || c == L'\'') {
            quote = c;
            continue;
        }
        if (c == L'>')
            return finish(XmlDoctype, k + 1);
        if (c != L'<')
            continue;

        // A nested construct: its own terminator ends it.
        const std::size_t at = k + 1;
        if (at == n_)
            break;
        std::size_t end = kNotFound;
        const wchar_t d = p_[at];
        if (d == L'?') {
            end = afterTerminator(at + 1, L'?', 0);
        } else if (d == L'!') {
            if (at + 1 == n_)
                break;
            const wchar_t e = p_[at + 1];
            if (e == L'-') {
                if (at + 2 == n_)
                    break;
                if (p_[at + 2] != L'-')
                    return incorrect(L"comment tag", at + 2, k, L"Doctype");
                end = afterTerminator(at + 3, L'-', L'-');
            } else if (e == L'E' || e == L'A' || e == L'N') {
                end = afterQuotedTagEnd(at + 2);
            } else {
                return incorrect(L"! tag", at + 1, k, L"Doctype");
            }
        } else if (d == L'/') {
            end = find(L'>', at + 1);
            if (end != kNotFound)
                ++end;
        } else if (startsName(d)) {
            end = afterQuotedTagEnd(at + 1);
        } else {
            return incorrect(L"tag name character", at, k, L"Doctype");
        }
        if (end == kNotFound)
            break;
        k = end - 1;
    }
    return unterminated(L"Doctype");
}

} // namespace

XmlNode scanXmlNode(std::wstring_view text, std::size_t offset)
{
    return Scanner(text, offset).scan();
}

std::wstring describeMarkupError(const XmlNode& node)
{
    std::wstring message;
    if (node.unterminated) {
        message = node.what;
        message += L" at offset ";
        appendDecimal(message, static_cast<long long>(node.errorOffset));
        message += L" unterminated";
    } else {
        message = L"Incorrect ";
        message += node.what;
        message += L" at offset ";
        appendDecimal(message, static_cast<long long>(node.errorOffset));
    }
    return message;
}

} // namespace plotwright::markup
