// The library file format: writing equation lists as one line of markup, and reading
// them back through the lenient markup parser.
#include "model/equation_list.h"

#include "markup/xml_document.h"
#include "model/field_text.h"
#include "model/number_text.h"

using plotwright::model::AppendInteger;
using plotwright::model::AppendReal;
using plotwright::model::ParseInteger;
using plotwright::model::ParseReal;

namespace {

// Attribute writers: ` name="value"` is written as `name="value" ` (each attribute
// followed by one space), which leaves the space before ">" that the format has.
void appendText(std::wstring& out, const wchar_t* name, const std::wstring& value)
{
    out += name;
    out += L"=\"";
    out += EncodeFieldText(value);
    out += L"\" ";
}

void appendInteger(std::wstring& out, const wchar_t* name, int value)
{
    out += name;
    out += L"=\"";
    AppendInteger(out, value);
    out += L"\" ";
}

void appendReal(std::wstring& out, const wchar_t* name, double value)
{
    out += name;
    out += L"=\"";
    AppendReal(out, value);
    out += L"\" ";
}

void appendParameter(std::wstring& out, const CEquationParameter& parameter)
{
    const ParameterFields& f = parameter.Fields();
    out += L"<EquationParameter ";
    appendText(out, L"name", f.name);
    appendInteger(out, L"type", f.type);
    appendReal(out, L"default", f.defaultValue);
    appendReal(out, L"min", f.min);
    appendReal(out, L"max", f.max);
    appendReal(out, L"defaultMin", f.defaultMin);
    appendReal(out, L"defaultMax", f.defaultMax);
    appendReal(out, L"increment", f.increment);
    appendInteger(out, L"minSet", f.minSet);
    appendInteger(out, L"maxSet", f.maxSet);
    appendReal(out, L"value", f.value);
    appendReal(out, L"minValue", f.minValue);
    appendReal(out, L"maxValue", f.maxValue);
    appendReal(out, L"defaultIncrement", f.defaultIncrement);
    out += L"></EquationParameter>";
}

void appendEquation(std::wstring& out, const CEquation& equation)
{
    out += L"<Equation ";
    appendInteger(out, L"type", equation.GetType());
    appendText(out, L"name", equation.GetName());
    appendText(out, L"equationy", equation.GetEquationY());
    appendText(out, L"equationx", equation.GetEquationX());
    appendInteger(out, L"createdBy", equation.GetCreatedBy());
    appendInteger(out, L"selected", equation.GetSelected());
    out += L'>';
    for (const CEquationParameterPtr& parameter : equation.GetParameters())
        appendParameter(out, *parameter);
    out += L"</Equation>";
}

// The attribute readers: a missing attribute is empty text, hence 0, 0.0 or "".
int readInteger(const CXmlDocument& document, const std::wstring& name)
{
    return ParseInteger(document.GetAttribute(name));
}

double readReal(const CXmlDocument& document, const std::wstring& name)
{
    return ParseReal(document.GetAttribute(name));
}

std::wstring readText(const CXmlDocument& document, const std::wstring& name)
{
    return DecodeFieldText(document.GetAttribute(name));
}

CEquationParameterPtr readParameter(const CXmlDocument& document)
{
    ParameterFields f;
    f.name = readText(document, L"name");
    f.type = readInteger(document, L"type");
    f.defaultValue = readReal(document, L"default");
    f.min = readReal(document, L"min");
    f.max = readReal(document, L"max");
    f.defaultMin = readReal(document, L"defaultMin");
    f.defaultMax = readReal(document, L"defaultMax");
    f.increment = readReal(document, L"increment");
    f.minSet = readInteger(document, L"minSet");
    f.maxSet = readInteger(document, L"maxSet");
    f.value = readReal(document, L"value");
    f.minValue = readReal(document, L"minValue");
    f.maxValue = readReal(document, L"maxValue");
    f.defaultIncrement = readReal(document, L"defaultIncrement");
    return std::make_shared<CEquationParameter>(std::move(f));
}

CEquationPtr readEquation(CXmlDocument& document)
{
    auto equation = std::make_shared<CEquation>();
    equation->SetType(readInteger(document, L"type"));
    equation->SetName(readText(document, L"name"));
    equation->SetEquationY(readText(document, L"equationy"));
    equation->SetEquationX(readText(document, L"equationx"));
    equation->SetCreatedBy(readInteger(document, L"createdBy"));
    equation->SetSelected(readInteger(document, L"selected"));
    // Only EquationParameter children count; other elements and anything nested
    // deeper are passed over.
    if (document.EnterElement()) {
        while (document.FindElement(L"EquationParameter"))
            equation->AddParameter(readParameter(document));
        document.LeaveElement();
    }
    return equation;
}

} // namespace

std::wstring CEquationParameter::ToXml() const
{
    std::wstring out;
    appendParameter(out, *this);
    return out;
}

std::wstring CEquation::ToXml() const
{
    std::wstring out;
    appendEquation(out, *this);
    return out;
}

std::wstring CEquationList::ToXml() const
{
    std::wstring out;
    // A parameter element takes about 400 characters; reserving avoids regrowth of
    // large libraries.
    std::size_t parameters = 0;
    for (const CEquationPtr& equation : equations_)
        parameters += equation->GetParameters().size();
    out.reserve(64 + equations_.size() * 200 + parameters * 420);
    out += L"<EquationList ";
    appendText(out, L"version", version_);
    out += L'>';
    for (const CEquationPtr& equation : equations_)
        appendEquation(out, *equation);
    out += L"</EquationList>";
    return out;
}

bool CEquationList::SaveToFile(const std::wstring& path, std::wstring* resultText) const
{
    CXmlDocument document;
    // The parse is a guard: only a document the reader accepts as well-formed is written.
    bool written = document.ParseText(ToXml()) && document.WriteDocumentFile(path);
    if (resultText)
        *resultText = document.GetResultText();
    return written;
}

int CEquationList::LoadFromXml(const std::wstring& text)
{
    Clear();
    CXmlDocument document;
    // Markup errors are not fatal: the elements the parser indexed are read.
    document.ParseText(text);
    if (!document.FindElement(L"EquationList"))
        return 0;
    version_ = readText(document, L"version");
    if (document.EnterElement())
        while (document.FindElement(L"Equation"))
            AddEquation(readEquation(document));
    return 1;
}
