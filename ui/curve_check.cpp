#include "ui/curve_check.h"

#include "base/number_text.h"
#include "curve/expression_parser.h"
#include "curve/implicit_tracer.h"
#include "curve/sampling_range.h"
#include "grid/number_format.h"
#include "model/equation.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace plotwright::ui {
namespace {

using Field = CurveProblem::Field;

QString range(double low, double high)
{
    return plotwright::grid::rangeMessage(low, high, plotwright::grid::NumberFormat{});
}

struct Variable {
    std::wstring name;
    double value = 0;
};

// `text` evaluated once with the constants and `variables` (one running variable, or an
// implicit curve's x and y) bound.
std::optional<CurveProblem> checkExpression(const std::wstring& text, Field field, const CEquation& equation,
                                            std::vector<Variable> variables)
{
    plotwright::curve::ExpressionParser parser;
    try {
        parser.setExpression(text);
        for (const CEquationParameterPtr& p : equation.GetParameters()) {
            if (p->GetType() == Constant)
                parser.bindConstant(p->GetName(), p->GetValue());
        }
        for (Variable& v : variables)
            parser.bindVariable(v.name, &v.value);
        parser.evaluate();
    } catch (const plotwright::curve::ExpressionError& e) {
        QString message = QString::fromUtf8(e.what());
        if (e.position() >= 0)
            message += QStringLiteral(" at character %1").arg(e.position() + 1);
        const QString name = field == Field::SecondExpression ? QStringLiteral("second expression")
                             : field == Field::ThirdExpression ? QStringLiteral("third expression")
                                                               : QStringLiteral("first expression");
        return CurveProblem{field, QStringLiteral("Error in the %1: %2").arg(name, message), e.position()};
    }
    return std::nullopt;
}

// The constants' bounds, as for every kind.
std::optional<CurveProblem> checkConstants(const CEquation& equation)
{
    for (const CEquationParameterPtr& p : equation.GetParameters()) {
        const ParameterFields& f = p->Fields();
        if (f.type == Constant && !(f.min == f.max || (f.min <= f.value && f.value <= f.max)))
            return CurveProblem{Field::Parameter,
                                QString::fromStdWString(f.name) + QStringLiteral(": ") + range(f.min, f.max)};
    }
    return std::nullopt;
}

QString number(double v) { return QString::fromStdString(plotwright::base::formatShortest(v)); }

// An implicit curve: its window, its grid within the sample limit, and an F in x or y.
CurveProblem checkImplicit(const CEquation& equation)
{
    if (auto p = checkConstants(equation))
        return *p;
    const ImplicitWindow& w = equation.GetWindow();
    const auto side = [](Field field, const char* axis, double low, double high) -> std::optional<CurveProblem> {
        if (!std::isfinite(low) || !std::isfinite(high) || !(low < high))
            return CurveProblem{field, QStringLiteral("The window's %1 min. (%2) must be below its %1 max. (%3).")
                                           .arg(QLatin1String(axis), number(low), number(high))};
        return std::nullopt;
    };
    if (auto p = side(Field::WindowX, "x", w.xMin, w.xMax))
        return *p;
    if (auto p = side(Field::WindowY, "y", w.yMin, w.yMax))
        return *p;
    if (!(std::isfinite(w.cellSize) && w.cellSize >= 0) || (w.cellSize == 0 && w.gridCells < 0))
        return {Field::Grid, QStringLiteral("The grid needs at least one cell.")};
    const long double nodes = plotwright::curve::gridNodes(w.xMin, w.xMax, w.yMin, w.yMax,
                                                           w.gridCells > 0 ? w.gridCells : kDefaultGridCells, w.cellSize);
    if (!(nodes <= static_cast<long double>(plotwright::curve::kMaxSamples)))
        return {Field::Grid, QStringLiteral("Too many points: the window's grid has %1 nodes; at most %2 can be sampled "
                                            "(give fewer cells).")
                                 .arg(QString::number(static_cast<double>(nodes), 'g', 12))
                                 .arg(plotwright::curve::kMaxSamples)};
    const std::vector<std::wstring> names = plotwright::curve::ExpressionParser::namesUsed(equation.GetEquationY());
    if (auto p = checkExpression(equation.GetEquationY(), Field::FirstExpression, equation,
                                 {{L"x", (w.xMin + w.xMax) / 2}, {L"y", (w.yMin + w.yMax) / 2}}))
        return *p;
    if (std::find(names.begin(), names.end(), L"x") == names.end() &&
        std::find(names.begin(), names.end(), L"y") == names.end())
        return {Field::FirstExpression, QStringLiteral("F uses neither x nor y: it is 0 everywhere or nowhere.")};
    return {};
}

} // namespace

CurveProblem CheckCurve(const CEquation& equation)
{
    const int kind = equation.GetType();
    if (kind == ImplicitCurve)
        return checkImplicit(equation);
    if (kind != ExplicitCartesian && kind != ParametricCartesian && kind != ExplicitPolar && kind != SpaceCurve)
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

    const std::vector<Variable> at = {{running->GetName(), r.start}};
    if (kind == ParametricCartesian || kind == SpaceCurve) {
        if (auto p = checkExpression(equation.GetEquationX(), Field::FirstExpression, equation, at))
            return *p;
        if (auto p = checkExpression(equation.GetEquationY(), Field::SecondExpression, equation, at))
            return *p;
        if (kind == SpaceCurve)
            if (auto p = checkExpression(equation.GetEquationZ(), Field::ThirdExpression, equation, at))
                return *p;
    } else if (auto p = checkExpression(equation.GetEquationY(), Field::FirstExpression, equation, at)) {
        return *p;
    }
    return {};
}

} // namespace plotwright::ui
