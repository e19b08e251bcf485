#include "editor/curve_text.h"

#include "base/number_text.h"
#include "curve/curve_definition.h"
#include "curve/implicit_sampler.h"
#include "model/equation_parameter.h"
#include "model/equation.h"

#include <QStringList>

#include <optional>

namespace plotwright::editor {

namespace {

QString number(double value) { return QString::fromStdString(base::formatShortest(value)); }

QString text(const std::wstring& value) { return QString::fromStdWString(value); }

} // namespace

QString describeCurveDefinition(const curve::CurveDefinition& d)
{
    QStringList lines;
    lines << "Curve: " + (d.name.empty() ? QStringLiteral("(written by hand)") : text(d.name));
    switch (d.kind) {
    case ParametricCartesian:
        lines << "Kind: parametric" << "x = " + text(d.equationX) << "y = " + text(d.equationY);
        break;
    case ExplicitPolar:
        lines << "Kind: polar" << "r = " + text(d.equationY);
        break;
    case SpaceCurve:
        lines << "Kind: space" << "x = " + text(d.equationX) << "y = " + text(d.equationY)
              << "z = " + text(d.equationZ);
        break;
    case ImplicitCurve:
        lines << "Kind: implicit" << text(d.equationY) + " = 0"
              << "Window: x " + number(d.window.xMin) + " to " + number(d.window.xMax) + ", y " +
                     number(d.window.yMin) + " to " + number(d.window.yMax)
              << (d.window.cellSize > 0 ? "Grid: cells of " + number(d.window.cellSize)
                                        : "Grid: " + QString::number(d.window.gridCells > 0 ? d.window.gridCells
                                                                                           : kDefaultGridCells) +
                                              " cells");
        break;
    default:
        lines << "Kind: y = f(x)" << "y = " + text(d.equationY);
        break;
    }
    for (const ParameterFields& p : d.parameters) {
        if (p.type == RunningVariable)
            lines << text(p.name) + ": " + number(p.minValue) + " to " + number(p.maxValue) + " by " +
                         number(p.increment);
        else
            lines << text(p.name) + " = " + number(p.value);
    }
    lines << "Origin: " + number(d.origin.x) + ", " + number(d.origin.y) + ", " + number(d.origin.z);
    // How the curve was placed, when not as the library has it.
    QStringList placed;
    if (d.options.rotation != 0)
        placed << "turned " + number(d.options.rotation) + "°";
    if (d.options.scale != 1)
        placed << "scaled " + number(d.options.scale);
    if (d.options.mirror)
        placed << "mirrored";
    if (d.options.offset != 0)
        placed << "offset " + number(d.options.offset) + (d.options.offsetBothSides ? " to both sides" : "");
    if (!placed.isEmpty())
        lines << "Placed: " + placed.join(", ");
    const char* output = d.options.output == curve::CurveOutput::Arcs     ? "arcs"
                         : d.options.output == curve::CurveOutput::Spline ? "spline"
                                                                           : "polyline";
    // An implicit curve is always traced within a tolerance: without one, its window's.
    std::optional<double> tolerance = d.options.tolerance;
    if (!tolerance && d.kind == ImplicitCurve)
        tolerance = curve::implicitDefaultTolerance(*curve::equationOf(d));
    lines << QString("Output: %1").arg(output)
          << "Sampling: " + (tolerance ? "adaptive within " + number(*tolerance) : QStringLiteral("by the increment")) +
                 (d.options.literalSteps ? QStringLiteral(", literal steps") : QString());
    lines << QString("Piece: %1 of %2").arg(d.pieceIndex + 1).arg(d.pieceCount)
          << "Curve id: " + QString::fromStdString(d.curveId);
    return lines.join('\n');
}

} // namespace plotwright::editor
