#include "cli/curve_source.h"

#include "cli/failure.h"
#include "cli/files.h"
#include "base/utf8_text.h"
#include "model/default_library.h"
#include "model/gallery_file.h"
#include "model/library_file.h"
#include "curve/expression_parser.h"

#include <algorithm>

namespace plotwright::cli {

using base::utf8FromWide;
using base::wideFromUtf8;

namespace {

std::string libraryName(const std::optional<std::string>& file)
{
    return file ? "\"" + *file + "\"" : "the default list";
}

[[noreturn]] void usage(const std::string& message) { throw Failure(kExitUsage, message); }

// The running variable the sampler steps: the last one in parameter order.
CEquationParameterPtr runningVariable(const CEquation& equation)
{
    CEquationParameterPtr found;
    for (const CEquationParameterPtr& p : equation.GetParameters())
        if (p->GetType() == RunningVariable)
            found = p;
    return found;
}

} // namespace

std::string libraryPath(const std::string& file)
{
    if (file != "gallery")
        return file;
    const std::string gallery = GalleryFilePath();
    if (gallery.empty() || !fileExists(gallery))
        throw Failure(kExitFileError, "gallery: the gallery of classic curves is not installed" +
                                          (gallery.empty() ? std::string() : " (no " + gallery + ")"));
    return gallery;
}

CEquationListPtr loadLibrary(const std::optional<std::string>& file, std::string* warning)
{
    auto library = std::make_shared<CEquationList>();
    if (!file) {
        library->LoadFromXml(DefaultLibraryText());
        return library;
    }
    // The tool reads each ill-formed sequence as one U+FFFD, as its other text files.
    const Result loaded =
        model::loadLibrary(readFile(libraryPath(*file)), *library, {}, base::Utf8Replacement::perSequence);
    if (!loaded)
        throw fileFailure(*file, utf8FromWide(loaded.message));
    if (warning && !loaded.notice.empty())
        *warning = *file + " is not well-formed (" + utf8FromWide(loaded.notice) + "); read as far as possible";
    return library;
}

CEquationPtr findCurve(const CEquationList& library, const std::string& name, const std::optional<std::string>& file)
{
    CEquationPtr equation = library.FindEquation(wideFromUtf8(name));
    if (!equation)
        usage("no curve named \"" + name + "\" in " + libraryName(file) + " ('plotwright curves' lists them)");
    return equation;
}

CEquationPtr userCurve(const Request& request)
{
    const CurveSource source = request.source;
    auto equation = std::make_shared<CEquation>();
    switch (source) {
    case CurveSource::Explicit:
        equation->SetType(ExplicitCartesian);
        break;
    case CurveSource::Parametric:
        equation->SetType(ParametricCartesian);
        equation->SetEquationX(wideFromUtf8(request.expressionX));
        break;
    case CurveSource::Space:
        equation->SetType(SpaceCurve);
        equation->SetEquationX(wideFromUtf8(request.expressionX));
        equation->SetEquationZ(wideFromUtf8(request.expressionZ));
        break;
    case CurveSource::Implicit:
        equation->SetType(ImplicitCurve);
        break;
    case CurveSource::Polar:
    case CurveSource::Named:
        equation->SetType(ExplicitPolar);
        break;
    }
    equation->SetEquationY(wideFromUtf8(request.expressionY));
    equation->SetCreatedBy(2);
    if (source == CurveSource::Implicit)
        return equation;   // x and y are its variables; its window comes with --window
    equation->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = source == CurveSource::Explicit ? L"x" : L"t",
        .type = RunningVariable,
        .increment = 0.1,
        .minValue = 0,
        .maxValue = 10,
    }));
    return equation;
}

CEquationPtr requestedCurve(const Request& request, std::string* warning)
{
    CEquationPtr equation;
    if (request.source == CurveSource::Named) {
        CEquationListPtr library = loadLibrary(request.library, warning);
        equation = findCurve(*library, request.name, request.library);
    } else {
        equation = userCurve(request);
        addConstants(*equation, request.assignments);
    }
    applyChanges(*equation, request);
    return equation;
}

void addConstants(CEquation& equation, const std::vector<Assignment>& assignments)
{
    std::vector<std::wstring> used = curve::ExpressionParser::namesUsed(equation.GetEquationY());
    for (std::wstring& name : curve::ExpressionParser::namesUsed(equation.GetEquationX()))
        used.push_back(std::move(name));
    for (std::wstring& name : curve::ExpressionParser::namesUsed(equation.GetEquationZ()))
        used.push_back(std::move(name));
    if (equation.GetType() == ImplicitCurve)
        std::erase_if(used, [](const std::wstring& name) { return name == L"x" || name == L"y"; });
    for (const Assignment& assignment : assignments) {
        const std::wstring name = wideFromUtf8(assignment.name);
        if (equation.FindParameter(name) || std::find(used.begin(), used.end(), name) == used.end())
            continue;   // the running variable, one added already, or a name no expression uses
        // Unbounded (min == max): a constant of a curve written by hand has no bounds.
        equation.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
            .name = name,
            .type = Constant,
            .defaultValue = assignment.value,
            .value = assignment.value,
        }));
    }
}

void applyChanges(CEquation& curve, const Request& request)
{
    CEquation* equation = &curve;
    for (const Assignment& assignment : request.assignments) {
        CEquationParameterPtr parameter = equation->FindParameter(wideFromUtf8(assignment.name));
        if (!parameter)
            usage("--set: the curve has no constant named \"" + assignment.name + "\"");
        if (parameter->GetType() != Constant)
            usage("--set: \"" + assignment.name + "\" is the running variable; set its range with --range");
        parameter->SetValue(assignment.value);
    }
    if (request.window || request.grid) {
        if (equation->GetType() != ImplicitCurve)
            usage(std::string(request.window ? "--window" : "--grid") + ": only an implicit curve has a window");
        ImplicitWindow window = equation->GetWindow();
        if (request.window) {
            const std::array<double, 4>& w = *request.window;
            window.xMin = w[0];
            window.xMax = w[1];
            window.yMin = w[2];
            window.yMax = w[3];
        }
        if (request.grid) {
            window.gridCells = *request.grid;
            window.cellSize = 0;   // a count given now replaces a stored cell size
        }
        equation->SetWindow(window);
    }
    if (request.range) {
        CEquationParameterPtr running = runningVariable(*equation);
        if (!running)
            usage(equation->GetType() == ImplicitCurve ? "--range: an implicit curve has a window (--window), no range"
                                                       : "--range: the curve has no running variable");
        running->SetMinValue(request.range->min);
        running->SetMaxValue(request.range->max);
        running->SetIncrement(request.range->step);
    }
}

} // namespace plotwright::cli
