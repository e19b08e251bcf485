// Arbitrary text through the library reader, then writer and reader again. The
// written document must be well-formed ASCII, and reading it back must give the same
// library: every number and structure exactly, and every text field that holds no
// decodable reference (a field like "&amp;lt;" is decoded once more on each reading,
// by design, so it may change).
#include "base/utf8_text.h"
#include "markup/xml_document.h"
#include "model/equation_list.h"
#include "model/start_tag_attributes.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool plain(const std::wstring& text) { return UnescapeText(text) == text; }

bool sameReal(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) || (std::isnan(a) && std::isnan(b));
}

// Returns whether all text fields were plain, i.e. whether the documents must be equal.
bool checkSame(const CEquationList& a, const CEquationList& b)
{
    bool allPlain = plain(a.GetVersion());
    check(!allPlain || a.GetVersion() == b.GetVersion());
    check(a.GetEquations().size() == b.GetEquations().size());
    auto text = [&allPlain](const std::wstring& x, const std::wstring& y) {
        if (plain(x))
            check(x == y);
        else
            allPlain = false;
    };
    for (std::size_t i = 0; i < a.GetEquations().size(); ++i) {
        const CEquation& e = *a.GetEquations()[i];
        const CEquation& f = *b.GetEquations()[i];
        check(e.GetType() == f.GetType() && e.GetCreatedBy() == f.GetCreatedBy() && e.GetSelected() == f.GetSelected());
        text(e.GetName(), f.GetName());
        text(e.GetEquationY(), f.GetEquationY());
        text(e.GetEquationX(), f.GetEquationX());
        check(e.GetParameters().size() == f.GetParameters().size());
        for (std::size_t k = 0; k < e.GetParameters().size(); ++k) {
            const ParameterFields& p = e.GetParameters()[k]->Fields();
            const ParameterFields& q = f.GetParameters()[k]->Fields();
            text(p.name, q.name);
            check(p.type == q.type && p.minSet == q.minSet && p.maxSet == q.maxSet);
            check(sameReal(p.defaultValue, q.defaultValue) && sameReal(p.min, q.min) && sameReal(p.max, q.max));
            check(sameReal(p.defaultMin, q.defaultMin) && sameReal(p.defaultMax, q.defaultMax));
            check(sameReal(p.increment, q.increment) && sameReal(p.value, q.value));
            check(sameReal(p.minValue, q.minValue) && sameReal(p.maxValue, q.maxValue));
            check(sameReal(p.defaultIncrement, q.defaultIncrement));
        }
    }
    return allPlain;
}

const std::wstring kNames[] = {L"version", L"type", L"name", L"equationy", L"equationx", L"createdBy", L"selected",
                               L"default", L"min", L"max", L"defaultMin", L"defaultMax", L"increment", L"minSet",
                               L"maxSet", L"value", L"minValue", L"maxValue", L"defaultIncrement"};

// The one-pass attribute reader must agree with the parser on every element the
// library reader visits.
void checkAttributes(CXmlDocument& document, const std::wstring& text, int depth)
{
    static plotwright::model::StartTagAttributes attributes;
    static const std::wstring kChild[] = {L"EquationList", L"Equation", L"EquationParameter"};
    while (document.FindElement(kChild[depth])) {
        const XmlElementRecord& record = document.GetCurrentRecord();
        attributes.read(std::wstring_view(text).substr(static_cast<std::size_t>(record.start),
                                                       static_cast<std::size_t>(record.startTagLength)));
        for (const std::wstring& name : kNames)
            check(attributes.value(name) == document.GetAttribute(name));
        if (depth < 2 && document.EnterElement()) {
            checkAttributes(document, text, depth + 1);
            document.LeaveElement();
        }
        if (depth == 0)
            break;  // the reader takes the first list only
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text =
        plotwright::base::wideFromUtf8(std::string_view(reinterpret_cast<const char*>(data), size),
                                         plotwright::base::Utf8Replacement::perMaximalPart);
    {
        CXmlDocument document;
        document.ParseText(text);
        checkAttributes(document, text, 0);
    }

    CEquationList first;
    const int found = first.LoadFromXml(text);
    check(found == 0 || found == 1);
    check(found == 1 || first.GetEquations().empty());
    const std::wstring written = first.ToXml();
    for (wchar_t c : written)
        check(static_cast<unsigned long>(c) < 0x80);
    {
        CXmlDocument guard;
        check(guard.ParseText(written));  // what SaveToFile would write
    }
    CEquationList second;
    check(second.LoadFromXml(written) == 1);
    if (checkSame(first, second))
        check(second.ToXml() == written);
    return 0;
}
