// The library file format: writing equation lists as one line of markup, and reading
// them back through the lenient markup parser.
#include "model/equation_list.h"

#include "markup/xml_document.h"
#include "model/field_text.h"
#include "model/library_document.h"
#include "model/library_numbers.h"
#include "model/start_tag_attributes.h"

using plotwright::model::AppendInteger;
using plotwright::model::AppendReal;
using plotwright::model::ParseInteger;
using plotwright::model::ParseReal;
using plotwright::model::StartTagAttributes;

namespace {

// Each attribute is written as name="value" followed by one space, so every start tag
// ends in a space before its ">".
void appendText(std::wstring& out, const wchar_t* name, const std::wstring& value)
{
    out += name;
    out += L"=\"";
    AppendEncodedFieldText(out, value);
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
    // Written only for the kinds that use them, so that a library of the other kinds
    // stays byte for byte what earlier versions wrote.
    if (!equation.GetEquationZ().empty())
        appendText(out, L"equationz", equation.GetEquationZ());
    const ImplicitWindow& window = equation.GetWindow();
    if (equation.GetType() == ImplicitCurve || window != ImplicitWindow{}) {
        appendReal(out, L"xmin", window.xMin);
        appendReal(out, L"xmax", window.xMax);
        appendReal(out, L"ymin", window.yMin);
        appendReal(out, L"ymax", window.yMax);
        appendInteger(out, L"gridcells", window.gridCells);
        appendReal(out, L"cellsize", window.cellSize);
    }
    appendInteger(out, L"createdBy", equation.GetCreatedBy());
    appendInteger(out, L"selected", equation.GetSelected());
    out += L'>';
    for (const CEquationParameterPtr& parameter : equation.GetParameters())
        appendParameter(out, *parameter);
    out += L"</Equation>";
}

// Reads the attributes of the current element: each start tag is walked once instead
// of once for each of its up to seventeen attributes.
class ElementReader {
public:
    explicit ElementReader(const CXmlDocument& document) : document_(document) {}

    void readCurrent() { attributes_.readCurrent(document_); }

    // A missing attribute is empty text, hence 0, 0.0 or "".
    int integer(std::wstring_view name) const { return ParseInteger(decoded(name)); }
    double real(std::wstring_view name) const { return ParseReal(decoded(name)); }
    std::wstring text(std::wstring_view name) const { return DecodeFieldText(decoded(name)); }

private:
    // The value as GetAttribute gives it, without a copy when it holds no reference.
    std::wstring_view decoded(std::wstring_view name) const
    {
        const std::wstring_view raw = attributes_.raw(name);
        if (raw.find(L'&') == std::wstring_view::npos)
            return raw;
        scratch_ = UnescapeText(raw);
        return scratch_;
    }

    const CXmlDocument& document_;
    StartTagAttributes attributes_;
    mutable std::wstring scratch_;
};

CEquationParameterPtr readParameter(const ElementReader& reader)
{
    ParameterFields f;
    f.name = reader.text(L"name");
    f.type = reader.integer(L"type");
    f.defaultValue = reader.real(L"default");
    f.min = reader.real(L"min");
    f.max = reader.real(L"max");
    f.defaultMin = reader.real(L"defaultMin");
    f.defaultMax = reader.real(L"defaultMax");
    f.increment = reader.real(L"increment");
    f.minSet = reader.integer(L"minSet");
    f.maxSet = reader.integer(L"maxSet");
    f.value = reader.real(L"value");
    f.minValue = reader.real(L"minValue");
    f.maxValue = reader.real(L"maxValue");
    f.defaultIncrement = reader.real(L"defaultIncrement");
    return std::make_shared<CEquationParameter>(std::move(f));
}

CEquationPtr readEquation(CXmlDocument& document, ElementReader& reader)
{
    auto equation = std::make_shared<CEquation>();
    reader.readCurrent();
    equation->SetType(reader.integer(L"type"));
    equation->SetName(reader.text(L"name"));
    equation->SetEquationY(reader.text(L"equationy"));
    equation->SetEquationX(reader.text(L"equationx"));
    equation->SetEquationZ(reader.text(L"equationz"));
    ImplicitWindow window;
    window.xMin = reader.real(L"xmin");
    window.xMax = reader.real(L"xmax");
    window.yMin = reader.real(L"ymin");
    window.yMax = reader.real(L"ymax");
    window.gridCells = reader.integer(L"gridcells");
    window.cellSize = reader.real(L"cellsize");
    equation->SetWindow(window);
    equation->SetCreatedBy(reader.integer(L"createdBy"));
    equation->SetSelected(reader.integer(L"selected"));
    // Only EquationParameter children count; other elements and anything nested
    // deeper are passed over.
    if (document.EnterElement()) {
        while (document.FindElement(L"EquationParameter")) {
            reader.readCurrent();
            equation->AddParameter(readParameter(reader));
        }
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
    // Parameter elements take about 420 characters, text fields a little more than
    // their length: reserving keeps a large document from being copied as it grows.
    std::size_t size = 64 + version_.size();
    for (const CEquationPtr& equation : equations_) {
        size += 128 + equation->GetName().size() + equation->GetEquationY().size() + equation->GetEquationX().size();
        size += equation->GetParameters().size() * 420;
    }
    out.reserve(size + size / 8);
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
    CXmlDocument document;
    // Markup errors are not fatal: the elements the parser indexed are read.
    document.ParseText(text);
    return ReadLibraryDocument(document, *this) ? 1 : 0;
}

bool ReadLibraryDocument(CXmlDocument& document, CEquationList& list)
{
    list.Clear();
    if (!document.FindElement(L"EquationList"))
        return false;
    ElementReader reader(document);
    reader.readCurrent();
    list.SetVersion(reader.text(L"version"));
    if (document.EnterElement())
        while (document.FindElement(L"Equation"))
            list.AddEquation(readEquation(document, reader));
    return true;
}
