#include "ui/preview_sampler.h"

#include "curve/expression_parser.h"
#include "curve/sampling_range.h"
#include "model/equation.h"

#include <cmath>
#include <optional>

namespace plotwright::ui {
namespace {

using plotwright::curve::ExpressionParser;

class ParserSampler final : public PreviewSampler {
public:
    PreviewSamples sample(const CEquation& equation, const std::atomic<bool>& cancelled) const override;
};

PreviewSamples ParserSampler::sample(const CEquation& equation, const std::atomic<bool>& cancelled) const
{
    PreviewSamples out;
    const int kind = equation.GetType();
    ExpressionParser a;
    std::optional<ExpressionParser> b;
    double t = 0;
    try {
        a.setExpression(equation.GetEquationY());
        if (kind == ParametricCartesian) {
            b.emplace();
            b->setExpression(equation.GetEquationX());
        }
        const CEquationParameter* running = nullptr;
        for (const CEquationParameterPtr& p : equation.GetParameters()) {
            if (p->GetType() == Constant) {
                a.bindConstant(p->GetName(), p->GetValue());
                if (b)
                    b->bindConstant(p->GetName(), p->GetValue());
            } else if (p->GetType() == RunningVariable) {
                running = p.get();
            }
        }
        if (!running || !ValidateParameters(equation))
            return {PreviewSamples::Status::Failed, QStringLiteral("Invalid parameter(s) provided!"), {}};
        const plotwright::curve::SamplingRange r{running->GetMinValue(), running->GetMaxValue(),
                                                 running->GetIncrement()};
        const auto count = plotwright::curve::countSamples(r, plotwright::curve::kMaxSamples);
        if (count.status != plotwright::curve::SampleCount::Ok)
            return {PreviewSamples::Status::Failed, QStringLiteral("Invalid parameter(s) provided!"), {}};
        out.points.reserve(count.count);
        a.bindVariable(running->GetName(), &t);
        if (b)
            b->bindVariable(running->GetName(), &t);
        std::size_t i = 0;
        for (t = r.start; t <= r.end; t = t + r.step, ++i) {
            // A look at the flag every few thousand samples keeps its cost out of sight.
            if ((i & 4095) == 0 && cancelled.load(std::memory_order_relaxed))
                return {PreviewSamples::Status::Cancelled, {}, {}};
            const double v = a.evaluate();
            if (kind == ExplicitCartesian)
                out.points.push_back({t, v});
            else if (kind == ParametricCartesian)
                out.points.push_back({b->evaluate(), v});
            else
                out.points.push_back({v * std::cos(t), v * std::sin(t)});
        }
    } catch (const plotwright::curve::ExpressionError& e) {
        return {PreviewSamples::Status::Failed, QString::fromUtf8(e.what()), {}};
    }
    return out;
}

} // namespace

std::unique_ptr<PreviewSampler> makeParserSampler()
{
    return std::make_unique<ParserSampler>();
}

} // namespace plotwright::ui
