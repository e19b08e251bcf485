#include "curve/implicit_sampler.h"

#include "base/number_text.h"
#include "curve/curve_options.h"
#include "curve/expression_parser.h"
#include "curve/implicit_tracer.h"
#include "curve/native_code.h"
#include "curve/sampling_range.h"
#include "model/equation.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace plotwright::curve {
namespace {

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring number(double v) { return wide(base::formatShortest(v)); }

class ParsedFunction final : public ImplicitFunction {
public:
    ExpressionParser parser;
    double x = 0;
    double y = 0;
    double at(double px, double py) override
    {
        if (native_) {
            // The compiled function straight away: a grid of a million nodes spends a
            // fifth of its time in the parser's bookkeeping otherwise.
            const double in[2] = {px, py};
            double value;
            native_->run(in, &value);
            return value;
        }
        x = px;
        y = py;
        const double value = parser.evaluate();
        // Compiled once the parser's byte code is current (after its first evaluation).
        if (!compileTried_) {
            compileTried_ = true;
            native_ = ExpressionParser::compileTogether({&parser}, {&x, &y});
        }
        return value;
    }

private:
    bool compileTried_ = false;
    std::shared_ptr<const NativeCode> native_;
};

// Why the window cannot be sampled, or empty.
std::wstring windowFault(const ImplicitWindow& w)
{
    const auto side = [](const wchar_t* axis, double lo, double hi) -> std::wstring {
        if (!std::isfinite(lo) || !std::isfinite(hi))
            return std::wstring(L"the window's ") + axis + L" range " + number(lo) + L".." + number(hi) + L" is not finite";
        if (!(lo < hi))
            return std::wstring(L"the window's ") + axis + L"min " + number(lo) + L" is not below its " + axis + L"max "
                + number(hi);
        return {};
    };
    std::wstring fault = side(L"x", w.xMin, w.xMax);
    if (fault.empty())
        fault = side(L"y", w.yMin, w.yMax);
    if (fault.empty() && !(std::isfinite(w.cellSize) && w.cellSize >= 0))
        fault = L"the grid's cell size " + number(w.cellSize) + L" is not a number of 0 or above";
    if (fault.empty() && w.cellSize == 0 && w.gridCells < 0)
        fault = L"the grid's cell count " + std::to_wstring(w.gridCells) + L" is below 0";
    return fault;
}

class ProgressScope {
public:
    ProgressScope(SampleProgress& progress, int maximum) : progress_(progress) { progress_.start(maximum); }
    ~ProgressScope() { progress_.finish(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    SampleProgress& progress_;
};

} // namespace

double implicitDefaultTolerance(const CEquation& equation)
{
    const ImplicitWindow& w = equation.GetWindow();
    const double diagonal = std::hypot(w.xMax - w.xMin, w.yMax - w.yMin);
    return kDefaultToleranceShare * (std::isfinite(diagonal) && diagonal > 0 ? diagonal : 1.0);
}

SampleResult sampleImplicit(const CEquation& equation, CurvePoint origin, const SampleOptions& options,
                            SampleProgress& progress)
{
    SampleResult result;
    const ImplicitWindow& w = equation.GetWindow();
    if (const std::wstring fault = windowFault(w); !fault.empty()) {
        result.status = SampleStatus::InvalidParameters;
        result.message = fault;
        return result;
    }
    const int cells = w.gridCells > 0 ? w.gridCells : kDefaultGridCells;
    const long double nodes = gridNodes(w.xMin, w.xMax, w.yMin, w.yMax, cells, w.cellSize);
    if (!(nodes <= static_cast<long double>(options.maxSamples))) {
        result.status = SampleStatus::TooManySamples;
        result.requestedSamples = nodes;
        char count[64];
        const auto end = std::to_chars(count, count + sizeof count, nodes).ptr;
        result.message = L"Too many points: the window's grid has " + std::wstring(count, end) + L" nodes; at most " +
                         std::to_wstring(options.maxSamples) + L" can be sampled (give fewer cells).";
        return result;
    }
    const std::vector<std::wstring> names = ExpressionParser::namesUsed(equation.GetEquationY());
    if (std::find(names.begin(), names.end(), L"x") == names.end() &&
        std::find(names.begin(), names.end(), L"y") == names.end()) {
        result.status = SampleStatus::ErrorInEquation;
        result.message = L"F uses neither x nor y";
        result.expression = 'Y';
        return result;
    }

    ParsedFunction f;
    const ImplicitGrid grid = implicitGrid(w.xMin, w.xMax, w.yMin, w.yMax, cells, w.cellSize);
    try {
        f.parser.setExpression(equation.GetEquationY());
        for (const CEquationParameterPtr& p : equation.GetParameters())
            if (p->GetType() == Constant)
                f.parser.bindConstant(p->GetName(), p->GetValue());
        f.parser.bindVariable(L"x", &f.x);
        f.parser.bindVariable(L"y", &f.y);
        ImplicitLimits limits;
        limits.tolerance = options.tolerance ? *options.tolerance : implicitDefaultTolerance(equation);
        limits.maxSamples = options.maxSamples;
        ProgressScope scope(progress, static_cast<int>(std::min<std::size_t>(grid.rows, kMaxSamples)));
        const ImplicitOutcome outcome = traceImplicit(f, grid, limits, result.points, progress);
        result.evaluations = outcome.evaluations;
        result.refinementCapped = outcome.capped;
    } catch (const ExpressionError& e) {
        result.status = SampleStatus::ErrorInEquation;
        result.message = wide(e.what());
        result.position = e.position();
        result.expression = 'Y';
        result.points.clear();
        return result;
    }
    for (CurvePoint& p : result.points) {
        p.x += origin.x;
        p.y += origin.y;
    }
    return result;
}

} // namespace plotwright::curve
