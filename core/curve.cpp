// Curve definitions as values: their parameters, shaping and sampling through the
// engine, and the library files they come from.
#include "plotwright/curve.h"

#include "core/convert.h"
#include "base/utf8_text.h"
#include "curve/curve_shape.h"
#include "markup/xml_document.h"
#include "model/default_library.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include <cmath>

namespace plotwright {

namespace {

template <class Definition, class P>
P* find(Definition& curve, const std::wstring& name)
{
    for (P& p : curve.parameters)
        if (p.name == name)
            return &p;
    return nullptr;
}

template <class Definition, class P>
P* running(Definition& curve)
{
    P* found = nullptr;
    for (P& p : curve.parameters)
        if (p.role == ParameterRole::runningVariable)
            found = &p;
    return found;
}

// The caller's progress, as the sampler reports it.
class ForwardProgress : public curve::SampleProgress {
public:
    explicit ForwardProgress(Progress& to) : to_(to) {}
    void start(int maximum) override { to_.start(maximum); }
    void step(int position) override { to_.step(position); }
    void finish() override { to_.finish(); }

private:
    Progress& to_;
};

std::vector<Point> pointsOf(const CurvePoints& points)
{
    std::vector<Point> out;
    out.reserve(points.size());
    for (const CurvePoint& p : points)
        out.push_back(core::pointOf(p));
    return out;
}

Library libraryOf(const CEquationList& list)
{
    Library out;
    for (const CEquationPtr& equation : list.GetEquations())
        out.curves.push_back(core::definitionOf(*equation));
    return out;
}

} // namespace

Parameter* CurveDefinition::parameter(const std::wstring& name) { return find<CurveDefinition, Parameter>(*this, name); }
const Parameter* CurveDefinition::parameter(const std::wstring& name) const
{
    return find<const CurveDefinition, const Parameter>(*this, name);
}
Parameter* CurveDefinition::runningVariable() { return running<CurveDefinition, Parameter>(*this); }
const Parameter* CurveDefinition::runningVariable() const
{
    return running<const CurveDefinition, const Parameter>(*this);
}

bool CurveDefinition::setConstant(const std::wstring& name, double value)
{
    Parameter* p = parameter(name);
    if (!p || p->role != ParameterRole::constant)
        return false;
    p->value = value;
    return true;
}

bool CurveDefinition::setRange(double minValue, double maxValue, double increment)
{
    Parameter* r = runningVariable();
    if (!r)
        return false;
    r->minValue = minValue;
    r->maxValue = maxValue;
    r->increment = increment;
    return true;
}

namespace {

// Space curves start at the origin's elevation; the others lie at 0.
CurvePoint originOf(const CurveDefinition& curve, const ShapeOptions& options)
{
    return {options.origin.x, options.origin.y, curve.kind == CurveKind::space ? options.origin.z : 0};
}

} // namespace

Shape shape(const CurveDefinition& curve, const ShapeOptions& options)
{
    const CEquationPtr equation = core::equationOf(curve);
    std::optional<ForwardProgress> progress;
    if (options.progress)
        progress.emplace(*options.progress);
    const curve::ShapedCurve shaped = curve::shapeCurve(*equation, originOf(curve, options),
                                                        core::curveOptionsOf(curve.options),
                                                        progress ? &*progress : nullptr, curve::KeepSamples::No);
    Shape out;
    out.result = core::resultOf(shaped.sampled);
    out.origin = options.origin;
    out.tolerance = shaped.tolerance;
    out.toleranceFromExtent = shaped.toleranceFromExtent;
    out.refinementCapped = shaped.sampled.refinementCapped;
    out.sampleCount = shaped.sampleCount;
    // Adaptive samples mark their breaks with undefined points: none is lost.
    if (shaped.tolerance == 0)
        out.nonFiniteCount = shaped.nonFiniteCount;
    out.pieces.reserve(shaped.pieces.size());
    for (const curve::CurvePiece& p : shaped.pieces) {
        Piece piece;
        piece.points = pointsOf(p.points);
        piece.closed = p.closed;
        piece.space = p.space;
        piece.bulges = p.bulges;
        piece.spline.degree = p.spline.degree;
        piece.spline.knots = p.spline.knots;
        piece.spline.controlPoints = pointsOf(p.spline.controlPoints);
        piece.spline.fitPoints = pointsOf(p.spline.fitPoints);
        out.pieces.push_back(std::move(piece));
    }
    return out;
}

Samples sample(const CurveDefinition& curve, const ShapeOptions& options)
{
    const CEquationPtr equation = core::equationOf(curve);
    std::optional<ForwardProgress> progress;
    if (options.progress)
        progress.emplace(*options.progress);
    curve::SampleOptions sampling;
    sampling.literalSteps = curve.options.literalSteps;
    sampling.tolerance = curve.options.tolerance;
    const curve::SampleResult sampled = curve::sampleCurve(*equation, originOf(curve, options), sampling,
                                                           progress ? &*progress : nullptr);
    Samples out;
    out.result = core::resultOf(sampled);
    out.points = pointsOf(sampled.points);
    out.refinementCapped = sampled.refinementCapped;
    return out;
}

const CurveDefinition* Library::find(const std::wstring& name) const
{
    for (const CurveDefinition& c : curves)
        if (c.name == name)
            return &c;
    return nullptr;
}

Library builtInLibrary()
{
    CEquationList list;
    list.LoadFromXml(DefaultLibraryText());
    return libraryOf(list);
}

Library readLibrary(const std::filesystem::path& path)
{
    Library out;
    std::wstring text, error;
    const std::wstring wide = base::wideFromUtf8(path.string());
    if (!ReadLibraryFile(wide, text, &error)) {
        out.result = {Status::fileError, L"\"" + wide + L"\": " + error, {path}};
        return out;
    }
    CEquationList list;
    if (!list.LoadFromXml(text)) {
        out.result = {Status::fileError, L"\"" + wide + L"\": not a curve library (no EquationList element)", {path}};
        return out;
    }
    out.curves = libraryOf(list).curves;
    CXmlDocument document;
    if (!document.ParseText(text))
        out.warning = wide + L" is not well-formed (" + document.GetResultText() + L"); read as far as possible";
    return out;
}

} // namespace plotwright
