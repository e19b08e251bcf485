// ParseText on a library document of 10,000 equations, against pugixml parsing the
// same document as UTF-8. ParseText reports characters processed, pugixml bytes; the
// document is ASCII, so both count the same units.

#include "base/utf8_text.h"
#include "markup/xml_document.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <charconv>
#include <string>

namespace {

constexpr int kEquations = 10000;

void appendInt(std::wstring& out, long long value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// A real as the library writes it: two decimals, right-aligned in ten characters.
void appendReal(std::wstring& out, double value)
{
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    if (length < 10)
        out.append(10 - length, L' ');
    out.append(digits, end);
}

// An expression of `terms` harmonics, as curve libraries hold for Fourier-style curves.
std::wstring expression(const wchar_t* function, const wchar_t* variable, int seed, int terms)
{
    std::wstring text;
    for (int k = 1; k <= terms; ++k) {
        if (k > 1)
            text += (seed + k) % 3 == 0 ? L"-" : L"+";
        appendInt(text, (seed * 7 + k * 13) % 97 + 1);
        text += L"/";
        appendInt(text, k + 1);
        text += L"*a*";
        text += function;
        text += L"(";
        appendInt(text, k);
        text += L"*";
        text += variable;
        text += L"+b)^2";
    }
    return text;
}

void appendParameter(std::wstring& out, const wchar_t* name, int type, int seed)
{
    const double base = (seed % 1000) / 7.0;
    out += L"<EquationParameter name=\"";
    out += name;
    out += L"\" type=\"";
    appendInt(out, type);
    const struct {
        const wchar_t* name;
        double value;
    } reals1[] = {{L"default", base}, {L"min", -base - 10}, {L"max", base + 10},
                  {L"defaultMin", 0.0}, {L"defaultMax", 6.28319}, {L"increment", 0.1}};
    for (const auto& real : reals1) {
        out += L"\" ";
        out += real.name;
        out += L"=\"";
        appendReal(out, real.value);
    }
    out += L"\" minSet=\"0\" maxSet=\"1";
    const struct {
        const wchar_t* name;
        double value;
    } reals2[] = {{L"value", base * 3}, {L"minValue", -1234.5}, {L"maxValue", 12345678.9},
                  {L"defaultIncrement", 0.01}};
    for (const auto& real : reals2) {
        out += L"\" ";
        out += real.name;
        out += L"=\"";
        appendReal(out, real.value);
    }
    out += L"\" ></EquationParameter>";
}

std::wstring libraryDocument()
{
    std::wstring text = L"<EquationList version=\"1.0\" >";
    for (int i = 0; i < kEquations; ++i) {
        text += L"<Equation type=\"2\" name=\"Curve &lt;";
        appendInt(text, i);
        text += L"&gt; =3D harmonic\" equationy=\"";
        text += expression(L"sin", L"t", i, 24);
        text += L"\" equationx=\"";
        text += expression(L"cos", L"t", i + 1, 24);
        text += L"\" createdBy=\"1\" selected=\"";
        appendInt(text, i == 0 ? 1 : 0);
        text += L"\" >";
        appendParameter(text, L"t", 1, i);
        appendParameter(text, L"a", 2, i + 1);
        appendParameter(text, L"b", 2, i + 2);
        text += L"</Equation>";
    }
    text += L"</EquationList>";
    return text;
}

const std::wstring& document()
{
    static const std::wstring text = libraryDocument();
    return text;
}

void BM_ParseText(benchmark::State& state)
{
    const std::wstring& text = document();
    for (auto _ : state) {
        CXmlDocument parsed;
        if (!parsed.ParseText(text))
            state.SkipWithError("document not well-formed");
        benchmark::DoNotOptimize(parsed.GetElementCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.SetLabel("characters");
}

void BM_PugixmlParse(benchmark::State& state)
{
    const std::string bytes = plotwright::base::utf8FromWide(document());
    for (auto _ : state) {
        pugi::xml_document parsed;
        const pugi::xml_parse_result result =
            parsed.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!result)
            state.SkipWithError("pugixml failed");
        benchmark::DoNotOptimize(parsed.first_child());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
    state.SetLabel("bytes");
}

BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMillisecond);

} // namespace
