#include "core/convert.h"

#include "base/utf8_text.h"
#include "curve/sampling_range.h"
#include "dxf/file.h"

namespace plotwright::core {

namespace {

Parameter parameterOf(const ParameterFields& f)
{
    return {f.name,     static_cast<ParameterRole>(f.type), f.value,     f.min,
            f.max,      f.minValue,                         f.maxValue,  f.increment,
            f.minSet,   f.maxSet,                           f.defaultValue, f.defaultMin,
            f.defaultMax, f.defaultIncrement};
}

ParameterFields fieldsOf(const Parameter& p)
{
    ParameterFields f;
    f.name = p.name;
    f.type = static_cast<int>(p.role);
    f.defaultValue = p.defaultValue;
    f.min = p.min;
    f.max = p.max;
    f.defaultMin = p.defaultMin;
    f.defaultMax = p.defaultMax;
    f.increment = p.increment;
    f.minSet = p.minSet;
    f.maxSet = p.maxSet;
    f.value = p.value;
    f.minValue = p.minValue;
    f.maxValue = p.maxValue;
    f.defaultIncrement = p.defaultIncrement;
    return f;
}

// A piece of one side as the other's, its vectors moved (the two have the same fields).
template <class To, class From>
std::vector<To> movedPieces(std::vector<From>&& pieces)
{
    std::vector<To> out;
    out.reserve(pieces.size());
    for (From& p : pieces) {
        To piece;
        piece.points = std::move(p.points);
        piece.closed = p.closed;
        piece.space = p.space;
        piece.bulges = std::move(p.bulges);
        piece.spline.degree = p.spline.degree;
        piece.spline.knots = std::move(p.spline.knots);
        piece.spline.controlPoints = std::move(p.spline.controlPoints);
        piece.spline.fitPoints = std::move(p.spline.fitPoints);
        out.push_back(std::move(piece));
    }
    pieces.clear();
    return out;
}

} // namespace

curve::CurveOptions curveOptionsOf(const DrawingOptions& options)
{
    curve::CurveOptions out;
    out.literalSteps = options.literalSteps;
    out.tolerance = options.tolerance;
    out.output = options.output == OutputKind::arcs     ? curve::CurveOutput::Arcs
                 : options.output == OutputKind::spline ? curve::CurveOutput::Spline
                                                        : curve::CurveOutput::Polyline;
    out.rotation = options.rotation;
    out.scale = options.scale;
    out.mirror = options.mirror;
    out.offset = options.offset;
    out.offsetBothSides = options.offsetBothSides;
    return out;
}

DrawingOptions drawingOptionsOf(const curve::CurveOptions& options)
{
    DrawingOptions out;
    out.literalSteps = options.literalSteps;
    out.tolerance = options.tolerance;
    out.output = options.output == curve::CurveOutput::Arcs     ? OutputKind::arcs
                 : options.output == curve::CurveOutput::Spline ? OutputKind::spline
                                                                : OutputKind::polyline;
    out.rotation = options.rotation;
    out.scale = options.scale;
    out.mirror = options.mirror;
    out.offset = options.offset;
    out.offsetBothSides = options.offsetBothSides;
    return out;
}

CEquationPtr equationOf(const CurveDefinition& curve)
{
    auto equation = std::make_shared<CEquation>();
    equation->SetType(static_cast<int>(curve.kind));
    equation->SetName(curve.name);
    equation->SetEquationY(curve.expressionY);
    equation->SetEquationX(curve.expressionX);
    equation->SetEquationZ(curve.expressionZ);
    const ImplicitWindow& w = curve.window;
    equation->SetWindow({w.xMin, w.xMax, w.yMin, w.yMax, w.gridCells, w.cellSize});
    equation->SetCreatedBy(curve.createdBy);
    for (const Parameter& p : curve.parameters)
        equation->AddParameter(std::make_shared<CEquationParameter>(fieldsOf(p)));
    return equation;
}

CurveDefinition definitionOf(const CEquation& equation, const DrawingOptions& options)
{
    CurveDefinition out;
    out.name = equation.GetName();
    out.kind = static_cast<CurveKind>(equation.GetType());
    out.expressionY = equation.GetEquationY();
    out.expressionX = equation.GetEquationX();
    out.expressionZ = equation.GetEquationZ();
    const ::ImplicitWindow& w = equation.GetWindow();
    out.window = {w.xMin, w.xMax, w.yMin, w.yMax, w.gridCells, w.cellSize};
    out.createdBy = equation.GetCreatedBy();
    for (const CEquationParameterPtr& p : equation.GetParameters())
        out.parameters.push_back(parameterOf(p->Fields()));
    out.options = options;
    return out;
}

CurveDefinition definitionOf(const curve::CurveDefinition& drawn)
{
    CurveDefinition out;
    out.name = drawn.name;
    out.kind = static_cast<CurveKind>(drawn.kind);
    out.expressionY = drawn.equationY;
    out.expressionX = drawn.equationX;
    out.expressionZ = drawn.equationZ;
    out.window = {drawn.window.xMin, drawn.window.xMax, drawn.window.yMin, drawn.window.yMax, drawn.window.gridCells,
                  drawn.window.cellSize};
    out.createdBy = drawn.createdBy;
    for (const ParameterFields& f : drawn.parameters)
        out.parameters.push_back(parameterOf(f));
    out.options = drawingOptionsOf(drawn.options);
    return out;
}

std::vector<curve::CurvePiece> curvePiecesOf(const std::vector<Piece>& pieces)
{
    return curvePiecesOf(std::vector<Piece>(pieces));
}

std::vector<curve::CurvePiece> curvePiecesOf(std::vector<Piece>&& pieces)
{
    return movedPieces<curve::CurvePiece>(std::move(pieces));
}

std::vector<Piece> piecesOf(std::vector<curve::CurvePiece>&& pieces)
{
    return movedPieces<Piece>(std::move(pieces));
}
Result resultOf(const curve::SampleResult& sampled)
{
    Result out;
    switch (sampled.status) {
    case curve::SampleStatus::Done:
        break;
    case curve::SampleStatus::InvalidParameters:
        out.status = Status::invalidParameters;
        // The sampler's reason (which value, and why) when it gives one.
        out.message = sampled.message.empty() ? L"Invalid parameter(s) provided!" : sampled.message;
        break;
    case curve::SampleStatus::TooManySamples:
        out.status = Status::tooManySamples;
        // An implicit curve's grid says what it counted; the others count their range.
        out.message = sampled.message.empty() ? curve::tooManySamplesMessage(sampled.requestedSamples, curve::kMaxSamples)
                                              : sampled.message;
        break;
    case curve::SampleStatus::ErrorInEquation:
        out.status = Status::errorInEquation;
        out.message = sampled.message;
        out.where.expression = sampled.expression;
        out.where.character = sampled.position;
        break;
    }
    return out;
}

Result resultOf(const dxf::DxfResult& result, const std::string& path)
{
    Result out = result.toResult();
    out.where.file = path;
    return out;
}

} // namespace plotwright::core
