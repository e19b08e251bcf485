// Curve definitions as values: their parameters, shaping and sampling through the
// engine, and the library files they come from.
#include "plotwright/curve.h"

#include "core/convert.h"
#include "base/utf8_text.h"
#include "curve/curve_shape.h"
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
    curve::ShapedCurve shaped = curve::shapeCurve(*equation, originOf(curve, options),
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
    // The engine's pieces are taken over: a million samples are never held twice.
    out.pieces = core::piecesOf(std::move(shaped.pieces));
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
    curve::SampleResult sampled = curve::sampleCurve(*equation, originOf(curve, options), sampling,
                                                           progress ? &*progress : nullptr);
    Samples out;
    out.result = core::resultOf(sampled);
    out.points = std::move(sampled.points);
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
    const std::wstring wide = base::wideFromUtf8(path.string());
    CEquationList list;
    Result loaded = model::loadLibraryFile(path, list);
    if (!loaded) {
        loaded.message = L"\"" + wide + L"\": " + loaded.message;
        loaded.notice.clear();
        out.result = std::move(loaded);
        return out;
    }
    out.curves = libraryOf(list).curves;
    if (!loaded.notice.empty())
        out.warning = wide + L" is not well-formed (" + loaded.notice + L"); read as far as possible";
    // The place of a markup fault stays with the result, whose notice is the warning.
    out.result.where = loaded.where;
    out.result.notice = out.warning;
    return out;
}

} // namespace plotwright
