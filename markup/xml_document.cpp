#include "markup/xml_document.h"

#include "base/number_text.h"
#include "base/replace_file.h"
#include "base/utf8_text.h"
#include "markup/xml_element_builder.h"

#include <climits>
#include <cstdint>

#include <sys/mman.h>

using plotwright::markup::markupNameMatches;

namespace {

bool isSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

// Record offsets are int; a longer text is refused rather than indexed wrongly.
constexpr std::size_t kMaxTextLength = INT_MAX;

// Copying a large text into fresh memory is dominated by page faults, four bytes per
// character; on huge pages the copy costs a fraction. Only a hint: where the system
// declines it, nothing changes.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

void adviseHugePages(const void* data, std::size_t bytes)
{
    const auto address = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (address + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const std::uintptr_t end = (address + bytes) & ~(kHugePageBytes - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void storeText(std::wstring& stored, const std::wstring& text)
{
    if (text.size() > stored.capacity() && text.size() * sizeof(wchar_t) >= 4 * kHugePageBytes) {
        std::wstring fresh;
        fresh.reserve(text.size());
        adviseHugePages(fresh.data(), fresh.capacity() * sizeof(wchar_t));
        stored.swap(fresh);
    }
    stored.assign(text.data(), text.size());
}

} // namespace

CXmlDocument::CXmlDocument()
{
    ParseText(std::wstring());
}

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::ParseText(const std::wstring& text)
{
    storeText(text_, text);
    result_.clear();
    errorAt_ = -1;
    parentPosition_ = currentPosition_ = childPosition_ = currentNodeKind_ = 0;

    if (text_.size() > kMaxTextLength) {
        index_.reset(8);
        result_ = L"Document too large";
        return false;
    }
    index_.reset(static_cast<int>(text_.size() / 64) + 8);
    if (text_.empty()) {
        result_ = L"Empty document";
        return false;
    }
    plotwright::markup::buildElementIndex(text_, index_, result_, errorAt_);

    XmlElementRecord& document = index_[0];
    document.length = static_cast<int>(text_.size());
    const int root = document.firstChild;
    if (root == 0) {
        result_ = L"No root element";
        errorAt_ = -1;
    } else if (index_[root].nextSibling != 0) {
        result_ = L"Root element has sibling";
        errorAt_ = index_[index_[root].nextSibling].start;
    }
    return !document.has(XmlElementRecord::IllFormed) && root != 0 && index_[root].nextSibling == 0;
}

const std::wstring& CXmlDocument::GetResultText() const
{
    return result_;
}

long long CXmlDocument::GetErrorOffset() const
{
    return errorAt_;
}

bool CXmlDocument::FindElement(const std::wstring& name)
{
    int candidate = currentPosition_ != 0 ? index_[currentPosition_].nextSibling
                                          : index_[parentPosition_].firstChild;
    for (; candidate != 0; candidate = index_[candidate].nextSibling) {
        if (!name.empty()) {
            // The tag name as a reader sees it: after optional whitespace, up to the
            // first character that cannot belong to a name.
            const XmlElementRecord& record = index_[candidate];
            const wchar_t* p = text_.data() + record.start + 1;
            const wchar_t* end = text_.data() + record.start + record.startTagLength;
            while (p < end && isSpace(*p))
                ++p;
            const wchar_t* nameEnd = p;
            while (nameEnd < end && !isSpace(*nameEnd) && *nameEnd != L'<' && *nameEnd != L'>'
                   && *nameEnd != L'=' && *nameEnd != L'\\' && *nameEnd != L'/' && *nameEnd != L'?'
                   && *nameEnd != L'!')
                ++nameEnd;
            if (!markupNameMatches(name, std::wstring_view(p, static_cast<std::size_t>(nameEnd - p))))
                continue;
        }
        currentPosition_ = candidate;
        parentPosition_ = index_[candidate].parent;
        childPosition_ = 0;
        currentNodeKind_ = 1;
        return true;
    }
    return false;
}

bool CXmlDocument::EnterElement()
{
    if (currentPosition_ == 0)
        return false;
    parentPosition_ = currentPosition_;
    currentPosition_ = childPosition_;
    childPosition_ = 0;
    currentNodeKind_ = currentPosition_ != 0 ? 1 : 0;
    return true;
}

bool CXmlDocument::LeaveElement()
{
    if (parentPosition_ == 0)
        return false;
    childPosition_ = currentPosition_;
    currentPosition_ = parentPosition_;
    parentPosition_ = index_[currentPosition_].parent;
    currentNodeKind_ = 1;
    return true;
}

// The start tag is read token by token: whitespace separates tokens; a token is a
// quoted string or a run up to whitespace, "=", ">", "/" or "?"; after "=" an unquoted
// value runs up to whitespace or ">" only, so "/" and "?" belong to it. A quoted string
// that is not closed runs to the end of the start tag, never into the following text.
std::wstring CXmlDocument::GetAttribute(const std::wstring& name) const
{
    if (currentPosition_ == 0)
        return {};
    plotwright::markup::StartTagAttributeWalk walk = CurrentAttributes();
    std::wstring_view attribute;
    std::wstring_view value;
    while (walk.next(attribute, value))
        if (markupNameMatches(name, attribute))
            return UnescapeText(value);
    return {};
}

plotwright::markup::StartTagAttributeWalk CXmlDocument::CurrentAttributes() const
{
    if (currentPosition_ == 0)
        return plotwright::markup::StartTagAttributeWalk({});
    const XmlElementRecord& record = index_[currentPosition_];
    return plotwright::markup::StartTagAttributeWalk(
        std::wstring_view(text_).substr(static_cast<std::size_t>(record.start), static_cast<std::size_t>(record.startTagLength)));
}

bool CXmlDocument::WriteDocumentFile(const std::wstring& path)
{
    const std::string bytes = plotwright::base::utf8FromWide(text_);
    const plotwright::base::FileResult written = plotwright::base::replaceFile(plotwright::base::utf8FromWide(path), bytes);
    if (!written.ok()) {
        result_ = plotwright::base::wideFromUtf8(written.reason);
        return false;
    }
    result_.clear();
    plotwright::base::appendDecimal(result_, static_cast<long long>(text_.size()));
    result_ += L" wide chars to ";
    plotwright::base::appendDecimal(result_, static_cast<long long>(bytes.size()));
    result_ += L" bytes";
    return true;
}

int CXmlDocument::GetElementCount() const
{
    return index_.count();
}

const XmlElementRecord& CXmlDocument::GetCurrentRecord() const
{
    return index_[currentPosition_];
}
