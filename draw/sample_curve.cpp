#include "draw/sample_curve.h"

#include "curve/expression_parser.h"
#include "curve/sampling_range.h"
#include "model/equation.h"

#include <cmath>
#include <optional>
#include <string>

using plotwright::curve::ExpressionParser;
using plotwright::curve::SampleCount;
using plotwright::curve::SamplingRange;

namespace {

constexpr const wchar_t* kInvalidParameters = L"Invalid parameter(s) provided!";
constexpr const wchar_t* kErrorInEquation = L"Error in equation";
constexpr const wchar_t* kMeterLabel = L"Draw...";

struct Stepping {
    std::wstring name;
    SamplingRange range;
};

// The parsers of one draw, B for parametric curves only, and the running variable's
// storage, to which both are bound.
struct Evaluation {
    ExpressionParser a;
    std::optional<ExpressionParser> b;
    double running = 0;
};

// Steps the running variable and appends one point per sample. The running variable is
// bound once, at the first sample: binding it at every sample would give the same
// values, but muParser would discard its compiled form and parse the text each time.
template <int Kind>
void sample(Evaluation& ev, const Stepping& rv, const ads_point origin, CurvePoints& points)
{
    const double ox = origin[0];
    const double oy = origin[1];
    const double end = rv.range.end;
    const double step = rv.range.step;
    double t = rv.range.start;
    for (int i = 0; t <= end; ++i) {
        acedSetStatusBarProgressMeterPos(i);
        ev.running = t;
        if (i == 0)
            ev.a.bindVariable(rv.name, &ev.running);
        const double a = ev.a.evaluate();
        if constexpr (Kind == ExplicitCartesian) {
            points.push_back({ox + t, oy + a, 0});
        } else if constexpr (Kind == ParametricCartesian) {
            if (i == 0)
                ev.b->bindVariable(rv.name, &ev.running);
            const double b = ev.b->evaluate();
            points.push_back({ox + b, oy + a, 0});
        } else {
            points.push_back({ox + a * std::cos(t), oy + a * std::sin(t), 0});
        }
        // Accumulated, not start + i * step: the samples are those of repeated addition.
        t = t + step;
    }
}

// Builds the parsers and binds the constants, in parameter order, in A and then B.
// Returns the running variable; with several, the last one wins.
std::optional<Stepping> setUp(const CEquation& equation, Evaluation& ev)
{
    ev.a.setExpression(equation.GetEquationY());
    if (equation.GetType() == ParametricCartesian) {
        ev.b.emplace();
        ev.b->setExpression(equation.GetEquationX());
    }
    std::optional<Stepping> running;
    for (const CEquationParameterPtr& p : equation.GetParameters()) {
        if (p->GetType() == Constant) {
            // Constant for the whole draw: the parsers may fold it into their compiled form.
            ev.a.bindConstant(p->GetName(), p->GetValue());
            if (ev.b)
                ev.b->bindConstant(p->GetName(), p->GetValue());
        } else if (p->GetType() == RunningVariable) {
            running = Stepping{p->GetName(), {p->GetMinValue(), p->GetMaxValue(), p->GetIncrement()}};
        }
    }
    return running;
}

// Refuses a range that would never end or that has more samples than can be drawn;
// shows why and returns false. Otherwise reserves room for every point.
bool acceptRange(const SamplingRange& range, CurvePoints& points)
{
    const SampleCount count = plotwright::curve::countSamples(range, plotwright::curve::kMaxSamples);
    switch (count.status) {
    case SampleCount::Stalls:
        AfxMessageBox(kInvalidParameters, MB_OK | MB_ICONEXCLAMATION);
        return false;
    case SampleCount::TooMany:
        AfxMessageBox(plotwright::curve::tooManySamplesMessage(count.estimate, plotwright::curve::kMaxSamples).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    case SampleCount::Ok:
        break;
    }
    points.reserve(count.count);
    return true;
}

} // namespace

CurvePoints SampleCurve(const CEquation& equation, const ads_point origin)
{
    if (!ValidateParameters(equation)) {
        AfxMessageBox(kInvalidParameters, MB_OK | MB_ICONEXCLAMATION);
        return {};
    }
    const int kind = equation.GetType();
    if (kind != ExplicitCartesian && kind != ParametricCartesian && kind != ExplicitPolar)
        return {};

    CurvePoints points;
    bool meterShown = false;
    try {
        Evaluation ev;
        const std::optional<Stepping> found = setUp(equation, ev);
        if (found && !acceptRange(found->range, points))
            return points;
        // Without a running variable the empty name is stepped over 0..0 by 0; its
        // binding at the first sample fails, which reports the equation as in error.
        const Stepping rv = found.value_or(Stepping{});
        acedSetStatusBarProgressMeter(kMeterLabel, 0, plotwright::curve::meterMaximum(rv.range));
        meterShown = true;
        switch (kind) {
        case ExplicitCartesian:
            sample<ExplicitCartesian>(ev, rv, origin, points);
            break;
        case ParametricCartesian:
            sample<ParametricCartesian>(ev, rv, origin, points);
            break;
        default:
            sample<ExplicitPolar>(ev, rv, origin, points);
            break;
        }
        meterShown = false;
        acedRestoreStatusBar();
    } catch (...) {
        // Parser errors and anything else alike; the parsers are gone by now.
        if (meterShown)
            acedRestoreStatusBar();
        acedAlert(kErrorInEquation);
    }
    return points;
}
