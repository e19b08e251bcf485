#include "markup/xml_document.h"

CXmlDocument::CXmlDocument()
{
    ParseText(std::wstring());
}

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::ParseText(const std::wstring& text)
{
    text_ = text;
    result_.clear();
    index_.reset(static_cast<int>(text_.size() / 64) + 8);
    parentPosition_ = currentPosition_ = childPosition_ = currentNodeKind_ = 0;
    if (text_.empty())
        result_ = L"Empty document";
    return false;
}

const std::wstring& CXmlDocument::GetResultText() const { return result_; }
bool CXmlDocument::FindElement(const std::wstring&) { return false; }
bool CXmlDocument::EnterElement() { return false; }
bool CXmlDocument::LeaveElement() { return false; }
std::wstring CXmlDocument::GetAttribute(const std::wstring&) const { return {}; }
bool CXmlDocument::WriteDocumentFile(const std::wstring&) { return false; }
int CXmlDocument::GetElementCount() const { return index_.count(); }
const XmlElementRecord& CXmlDocument::GetCurrentRecord() const { return index_[currentPosition_]; }

std::wstring UnescapeText(std::wstring_view text) { return std::wstring(text); }
