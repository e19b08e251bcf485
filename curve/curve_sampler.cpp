#include "curve/curve_sampler.h"

#include "curve/adaptive_sampler.h"
#include "curve/expression_parser.h"
#include "curve/implicit_sampler.h"
#include "curve/native_code.h"
#include "curve/sampling_range.h"
#include "model/equation.h"
#include "base/number_text.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace plotwright::curve {
namespace {

struct Stepping {
    std::wstring name;
    SamplingRange range;
};

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The parsers of one draw (B for parametric curves only) and the running variable's
// storage, to which both are bound. The running variable is bound once, at the first
// sample: binding it at every sample would give the same values, but muParser would
// discard its compiled form and parse the text each time. The first sample is
// interpreted (it finds every fault in the expressions); then both expressions are
// compiled into one function, used for every later sample and refinement of the draw.
class Evaluation {
public:
    Evaluation(CurvePoint origin, bool parameterInZ)
        : ox_(origin.x), oy_(origin.y), oz_(origin.z), keepT_(parameterInZ) {}

    ExpressionParser a;
    std::optional<ExpressionParser> b;
    std::optional<ExpressionParser> c;  // z of a space curve
    std::wstring runningName;
    // The expression being evaluated when an ExpressionError left: 'Y', 'X', 'Z' or 0.
    char failing = 0;
    // A space curve's samples: some wholly finite; some finite in x and y alone.
    bool anyFinite = false;
    bool anyPlanOnly = false;

    template <int Kind>
    CurvePoint pointAt(double t)
    {
        running_ = t;
        double values[3];
        if (native_) {
            native_->run(&running_, values);
        } else {
            interpret(values);
        }
        const double av = values[0];
        if constexpr (Kind == ExplicitCartesian) {
            return {ox_ + t, oy_ + av, keepT_ ? t : 0.0};
        } else if constexpr (Kind == ParametricCartesian) {
            return {ox_ + values[1], oy_ + av, keepT_ ? t : 0.0};
        } else if constexpr (Kind == SpaceCurve) {
            const CurvePoint p{ox_ + values[1], oy_ + av, oz_ + values[2]};
            if (std::isfinite(p.x) && std::isfinite(p.y))
                (std::isfinite(p.z) ? anyFinite : anyPlanOnly) = true;
            return p;
        } else {
            return {ox_ + av * std::cos(t), oy_ + av * std::sin(t), keepT_ ? t : 0.0};
        }
    }

private:
    void interpret(double* values)
    {
        if (!bound_)
            bindRunning();
        failing = 'Y';
        values[0] = a.evaluate();
        if (b) {
            failing = 'X';
            values[1] = b->evaluate();
        }
        if (c) {
            failing = 'Z';
            values[2] = c->evaluate();
        }
        failing = 0;
        if (!compileTried_) {
            compileTried_ = true;
            std::vector<const ExpressionParser*> parsers{&a};
            if (b)
                parsers.push_back(&*b);
            if (c)
                parsers.push_back(&*c);
            native_ = ExpressionParser::compileTogether(parsers, {&running_});
        }
    }

    void bindRunning()
    {
        failing = 0;
        if (runningName.empty())
            throw ExpressionError("no running variable");
        a.bindVariable(runningName, &running_);
        if (b)
            b->bindVariable(runningName, &running_);
        if (c)
            c->bindVariable(runningName, &running_);
        bound_ = true;
    }

    double ox_;
    double oy_;
    double oz_;
    bool keepT_;  // the running variable goes into z
    double running_ = 0;
    bool bound_ = false;
    bool compileTried_ = false;
    std::shared_ptr<const NativeCode> native_;
};

// Builds the parsers and binds the constants, in parameter order, in A and then B.
// Returns the running variable; with several, the last one wins.
std::optional<Stepping> setUp(const CEquation& equation, Evaluation& ev)
{
    ev.a.setExpression(equation.GetEquationY());
    if (equation.GetType() == ParametricCartesian || equation.GetType() == SpaceCurve) {
        ev.b.emplace();
        ev.b->setExpression(equation.GetEquationX());
    }
    if (equation.GetType() == SpaceCurve) {
        ev.c.emplace();
        ev.c->setExpression(equation.GetEquationZ());
    }
    std::optional<Stepping> running;
    for (const CEquationParameterPtr& p : equation.GetParameters()) {
        if (p->GetType() == Constant) {
            // Constant for the whole draw: the parsers may fold it into their compiled form.
            ev.a.bindConstant(p->GetName(), p->GetValue());
            if (ev.b)
                ev.b->bindConstant(p->GetName(), p->GetValue());
            if (ev.c)
                ev.c->bindConstant(p->GetName(), p->GetValue());
        } else if (p->GetType() == RunningVariable) {
            running = Stepping{p->GetName(), {p->GetMinValue(), p->GetMaxValue(), p->GetIncrement()}};
        }
    }
    return running;
}

// Calls `visit(i, t)` for every value of the running variable. Literal steps: t = start,
// then t + step (accumulated, not start + i * step: the samples are those of repeated
// addition) while t <= end. Otherwise the `even` samples, start + i * step ending at the
// end itself, so that no rounding error adds up over a long range.
template <class Visit>
void forEachStep(const SamplingRange& range, const EvenSamples* even, Visit&& visit)
{
    if (even) {
        for (std::size_t i = 0; i < even->count; ++i)
            visit(static_cast<int>(i), evenSample(range, i, even->count));
        return;
    }
    const double end = range.end;
    const double step = range.step;
    int i = 0;
    for (double t = range.start; t <= end; ++i) {
        visit(i, t);
        t = t + step;
    }
}

template <int Kind>
class KindFunction final : public CurveFunction {
public:
    explicit KindFunction(Evaluation& ev) : ev_(ev) {}
    CurvePoint at(double t) override { return ev_.pointAt<Kind>(t); }

private:
    Evaluation& ev_;
};

template <int Kind>
void sampleKind(Evaluation& ev, const SamplingRange& range, const EvenSamples* even, const SampleOptions& options,
                SampleProgress& progress, SampleResult& result)
{
    if (!options.tolerance) {
        CurvePoints& points = result.points;
        forEachStep(range, even, [&](int i, double t) {
            progress.step(i);
            points.push_back(ev.pointAt<Kind>(t));
        });
        return;
    }
    std::vector<double> grid;
    forEachStep(range, even, [&](int, double t) { grid.push_back(t); });
    KindFunction<Kind> function(ev);
    AdaptiveLimits limits;
    limits.tolerance = *options.tolerance;
    limits.maxDepth = options.maxDepth;
    limits.maxSamples = options.maxSamples;
    limits.spatial = Kind == SpaceCurve;
    const AdaptiveOutcome outcome = sampleAdaptively(function, grid, limits, result.points, progress);
    result.refinementCapped = outcome.capped;
    result.evaluations = outcome.evaluations;
}

void sampleAny(int kind, Evaluation& ev, const SamplingRange& range, const EvenSamples* even,
               const SampleOptions& options, SampleProgress& progress, SampleResult& result)
{
    switch (kind) {
    case ExplicitCartesian:
        sampleKind<ExplicitCartesian>(ev, range, even, options, progress, result);
        break;
    case ParametricCartesian:
        sampleKind<ParametricCartesian>(ev, range, even, options, progress, result);
        break;
    case SpaceCurve:
        sampleKind<SpaceCurve>(ev, range, even, options, progress, result);
        break;
    default:
        sampleKind<ExplicitPolar>(ev, range, even, options, progress, result);
        break;
    }
}

// A space curve whose x and y are finite somewhere but whose z is finite nowhere is a
// fault of its z expression, not a curve to leave out quietly.
void refuseFlatNowhere(const Evaluation& ev, SampleResult& result)
{
    if (ev.anyFinite || !ev.anyPlanOnly)
        return;
    result.status = SampleStatus::ErrorInEquation;
    result.message = L"z is not finite anywhere in the range";
    result.expression = 'Z';
    result.points.clear();
}

// Finishes the progress on every way out of sampling, exceptions included.
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

struct PointEvaluator::State {
    State() : ev({0, 0, 0}, false) {}
    Evaluation ev;
    int kind = 0;
    bool ready = false;
};

PointEvaluator::PointEvaluator(const CEquation& equation) : state_(std::make_unique<State>())
{
    state_->kind = equation.GetType();
    try {
        const std::optional<Stepping> running = setUp(equation, state_->ev);
        if (running) {
            state_->ev.runningName = running->name;
            state_->ready = true;
        }
    } catch (const std::exception&) {
        state_->ready = false;
    }
}

PointEvaluator::~PointEvaluator() = default;

CurvePoint PointEvaluator::at(double t)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    if (!state_->ready)
        return {nan, nan, 0};
    try {
        switch (state_->kind) {
        case ExplicitCartesian: return state_->ev.pointAt<ExplicitCartesian>(t);
        case ParametricCartesian: return state_->ev.pointAt<ParametricCartesian>(t);
        case ExplicitPolar: return state_->ev.pointAt<ExplicitPolar>(t);
        case SpaceCurve: return state_->ev.pointAt<SpaceCurve>(t);
        default: break;
        }
    } catch (const std::exception&) {
    }
    return {nan, nan, 0};
}

SampleResult sampleCurve(const CEquation& equation, CurvePoint origin, const SampleOptions& options,
                         SampleProgress* progress)
{
    SampleProgress silent;
    SampleProgress& shown = progress ? *progress : silent;
    SampleResult result;
    if (!ValidateParameters(equation)) {
        result.status = SampleStatus::InvalidParameters;
        result.message = invalidParameterReason(equation);
        return result;
    }
    const int kind = equation.GetType();
    if (kind != ExplicitCartesian && kind != ParametricCartesian && kind != ExplicitPolar && kind != SpaceCurve &&
        kind != ImplicitCurve) {
        result.status = SampleStatus::ErrorInEquation;
        result.message = L"the curve's kind " + std::to_wstring(kind)
            + L" is none of 1 (explicit), 2 (parametric), 3 (polar), 4 (space), 5 (implicit)";
        return result;
    }
    if (options.tolerance && !(std::isfinite(*options.tolerance) && *options.tolerance > 0)) {
        result.status = SampleStatus::InvalidParameters;
        result.message = L"the tolerance " + wide(base::formatShortest(*options.tolerance)) + L" is not above 0";
        return result;
    }
    if (kind == ImplicitCurve)
        return sampleImplicit(equation, origin, options, shown);

    Evaluation ev(origin, options.parameterInZ);
    try {
        const std::optional<Stepping> found = setUp(equation, ev);
        // Without a running variable the empty name is stepped over 0..0 by 0; the first
        // sample then fails for want of a variable.
        const Stepping rv = found.value_or(Stepping{});
        int meterMax = meterMaximum(rv.range);
        std::optional<EvenSamples> even;
        if (found) {
            std::size_t samples = 0;
            SampleCount::Status status = SampleCount::Ok;
            long double estimate = 0;
            if (options.literalSteps) {
                const SampleCount count = countSamples(rv.range, kMaxSamples);
                status = count.status;
                samples = count.count;
                estimate = count.estimate;
            } else {
                even = evenSamples(rv.range, kMaxSamples);
                status = even->status;
                samples = even->count;
                estimate = even->estimate;
                if (samples > 0)
                    meterMax = static_cast<int>(samples - 1);
            }
            if (status == SampleCount::Stalls) {
                result.status = SampleStatus::InvalidParameters;
                result.message = rv.name + L": the step " + wide(base::formatShortest(rv.range.step))
                    + L" does not advance " + rv.name + L" from " + wide(base::formatShortest(rv.range.start))
                    + L" to " + wide(base::formatShortest(rv.range.end));
                return result;
            }
            if (status == SampleCount::TooMany || samples > kMaxSamples) {
                result.status = SampleStatus::TooManySamples;
                result.requestedSamples = std::max<long double>(estimate, static_cast<long double>(samples));
                return result;
            }
            if (!options.tolerance)
                result.points.reserve(samples);
        }
        ev.runningName = rv.name;
        ProgressScope scope(shown, meterMax);
        sampleAny(kind, ev, rv.range, even ? &*even : nullptr, options, shown, result);
        if (kind == SpaceCurve)
            refuseFlatNowhere(ev, result);
    } catch (const ExpressionError& e) {
        result.status = SampleStatus::ErrorInEquation;
        result.message = wide(e.what());
        result.position = ev.failing ? e.position() : -1;
        result.expression = ev.failing;
    } catch (const std::exception& e) {
        result.status = SampleStatus::ErrorInEquation;
        result.message = wide(e.what());
    }
    return result;
}

} // namespace plotwright::curve
