#include "ui/curve_check.h"

#include "curve/expression_parser.h"
#include "curve/sampling_range.h"
#include "grid/number_format.h"
#include "model/equation.h"

#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace plotwright::ui {
namespace {

using Field = CurveProblem::Field;

QString range(double low, double high)
{
    return plotwright::grid::rangeMessage(low, high, plotwright::grid::NumberFormat{});
}

std::optional<CurveProblem> checkExpression(const std::wstring& text, Field field, const CEquation& equation,
                                            const std::wstring& running, double start)
{
    plotwright::curve::ExpressionParser parser;
    double value = start;
    try {
        parser.setExpression(text);
        for (const CEquationParameterPtr& p : equation.GetParameters()) {
            if (p->GetType() == Constant)
                parser.bindConstant(p->GetName(), p->GetValue());
        }
        parser.bindVariable(running, &value);
        parser.evaluate();
    } catch (const plotwright::curve::ExpressionError& e) {
        QString message = QString::fromUtf8(e.what());
        if (e.position() >= 0)
            message += QStringLiteral(" at character %1").arg(e.position() + 1);
        const QString name = field == Field::SecondExpression ? QStringLiteral("second expression")
                                                               : QStringLiteral("first expression");
        return CurveProblem{field, QStringLiteral("Error in the %1: %2").arg(name, message), e.position()};
    }
    return std::nullopt;
}

} // namespace

CurveProblem CheckCurve(const CEquation& equation)
{
    const int kind = equation.GetType();
    if (kind != ExplicitCartesian && kind != ParametricCartesian && kind != ExplicitPolar)
        return {Field::None, QStringLiteral("Unknown kind of curve.")};

    const CEquationParameter* running = nullptr;
    for (const CEquationParameterPtr& p : equation.GetParameters()) {
        const ParameterFields& f = p->Fields();
        if (f.type == Constant && !(f.min == f.max || (f.min <= f.value && f.value <= f.max)))
            return {Field::Parameter, QString::fromStdWString(f.name) + QStringLiteral(": ") + range(f.min, f.max)};
        if (f.type == RunningVariable) {
            running = p.get();
            if (f.minSet != f.maxSet) {
                if (!(f.minSet <= f.minValue && f.minValue <= f.maxSet))
                    return {Field::Minimum, QStringLiteral("Minimum: ") + range(f.minSet, f.maxSet)};
                if (!(f.minSet <= f.maxValue && f.maxValue <= f.maxSet))
                    return {Field::Maximum, QStringLiteral("Maximum: ") + range(f.minSet, f.maxSet)};
            } else if (!(f.maxValue > f.minValue)) {
                return {Field::Maximum, QStringLiteral("The maximum must be greater than the minimum.")};
            }
        } else if (f.type != Constant) {
            return {Field::None, QStringLiteral("Invalid parameter(s) provided!")};
        }
    }
    if (!running)
        return {Field::None, QStringLiteral("The curve has no running variable.")};

    const plotwright::curve::SamplingRange r{running->GetMinValue(), running->GetMaxValue(), running->GetIncrement()};
    const auto count = plotwright::curve::countSamples(r, plotwright::curve::kMaxSamples);
    if (count.status == plotwright::curve::SampleCount::Stalls)
        return {Field::Increment, r.step > 0 ? QStringLiteral("The increment is too small to advance the parameter.")
                                             : QStringLiteral("The increment must be greater than 0.")};
    if (count.status == plotwright::curve::SampleCount::TooMany)
        return {Field::Increment, QString::fromStdWString(plotwright::curve::tooManySamplesMessage(
                                      count.estimate, plotwright::curve::kMaxSamples))};

    const std::wstring name = running->GetName();
    const double start = r.start;
    if (kind == ParametricCartesian) {
        if (auto p = checkExpression(equation.GetEquationX(), Field::FirstExpression, equation, name, start))
            return *p;
        if (auto p = checkExpression(equation.GetEquationY(), Field::SecondExpression, equation, name, start))
            return *p;
    } else if (auto p = checkExpression(equation.GetEquationY(), Field::FirstExpression, equation, name, start)) {
        return *p;
    }
    return {};
}

} // namespace plotwright::ui
