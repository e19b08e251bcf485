// Reading and writing a large curve library: 10,000 equations of three parameters,
// about 20 MB of document text. Loading is meant to take well under 0.25 s.
#include "model/equation_list.h"
#include "model/library_file.h"
#include "markup/xml_document.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kEquations = 10000;

// Realistic fields: long expressions, a few markup characters and accented letters
// that take the encoder's slow paths, values with more than two decimals.
CEquationList makeLibrary()
{
    CEquationList list;
    list.SetVersion(L"2.1");
    std::wstring term = L"a*sin(b*t+c)*cos(t/3)-if(t<a, b^2, c&1)+";
    std::wstring y, x;
    for (int i = 0; i < 9; ++i) {
        y += term;
        x += term;
    }
    for (int i = 0; i < kEquations; ++i) {
        auto e = std::make_shared<CEquation>();
        e->SetType(1 + i % 3);
        e->SetName(L"Courbe \u00e9toil\u00e9e n\u00b0" + std::to_wstring(i));
        e->SetEquationY(y + std::to_wstring(i));
        e->SetEquationX(x + std::to_wstring(i));
        e->SetCreatedBy(2);
        e->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
            .name = L"t", .type = RunningVariable, .defaultMax = 6.28319, .increment = 0.005 * (1 + i % 7),
            .minValue = -3.5, .maxValue = 6.283185307179586, .defaultIncrement = 0.1}));
        for (const wchar_t* name : {L"a", L"b"})
            e->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
                .name = name, .type = Constant, .defaultValue = 1, .min = -100, .max = 100, .value = i * 0.125}));
        list.AddEquation(e);
    }
    return list;
}

const std::wstring& libraryText()
{
    static const std::wstring text = makeLibrary().ToXml();
    return text;
}

// Baselines: copying the text, which the markup document does first since it owns its
// text, and the parse alone; LoadFromXml's own work is what it takes beyond the parse.
void BM_CopyText(benchmark::State& state)
{
    const std::wstring& text = libraryText();
    for (auto _ : state) {
        std::wstring copy = text;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ParseText(benchmark::State& state)
{
    const std::wstring& text = libraryText();
    for (auto _ : state) {
        CXmlDocument document;
        benchmark::DoNotOptimize(document.ParseText(text));
    }
}
BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadFromXml(benchmark::State& state)
{
    const std::wstring& text = libraryText();
    for (auto _ : state) {
        CEquationList list;
        benchmark::DoNotOptimize(list.LoadFromXml(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["chars"] = static_cast<double>(text.size());
}
BENCHMARK(BM_LoadFromXml)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ToXml(benchmark::State& state)
{
    CEquationList list;
    list.LoadFromXml(libraryText());
    for (auto _ : state)
        benchmark::DoNotOptimize(list.ToXml());
}
BENCHMARK(BM_ToXml)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SaveToFile(benchmark::State& state)
{
    CEquationList list;
    list.LoadFromXml(libraryText());
    std::string folder = (std::filesystem::temp_directory_path() / "plotwright-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = folder + "/curveDefinition_User.xml";
    const std::wstring widePath(path.begin(), path.end());
    for (auto _ : state)
        if (!list.SaveToFile(widePath))
            state.SkipWithError("SaveToFile failed");
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The start-up path of the curve dialog: file bytes to a loaded list.
void BM_ReadAndLoadFile(benchmark::State& state)
{
    std::string folder = (std::filesystem::temp_directory_path() / "plotwright-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = folder + "/curveDefinition_User.xml";
    const std::wstring widePath(path.begin(), path.end());
    CEquationList source;
    source.LoadFromXml(libraryText());
    source.SaveToFile(widePath);
    for (auto _ : state) {
        std::wstring text;
        ReadLibraryFile(widePath, text);
        CEquationList list;
        benchmark::DoNotOptimize(list.LoadFromXml(text));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReadAndLoadFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
