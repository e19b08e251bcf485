#pragma once
// How a curve is drawn: the sampling (literal steps, adaptive tolerance) and the kind of
// entity written (chords, arcs, spline), with a text form for the user's settings.

#include <optional>
#include <string>
#include <string_view>

namespace plotwright::curve {

enum class CurveOutput { Polyline, Arcs, Spline };

struct CurveOptions {
    bool literalSteps = false;
    // Adaptive sampling within this distance (drawing units) when set.
    std::optional<double> tolerance;
    CurveOutput output = CurveOutput::Polyline;
    // Where the curve's own axes go when it is placed: mirrored about its x axis first,
    // then scaled (above 0), then turned counter-clockwise by `rotation` degrees about
    // its origin.
    double rotation = 0;
    double scale = 1;
    bool mirror = false;
    // The curve offset by this distance (drawing units) to the left of its direction of
    // travel (negative: to the right), in place of the curve; 0 for none. With
    // `offsetBothSides` both offsets, left first.
    double offset = 0;
    bool offsetBothSides = false;

    bool operator==(const CurveOptions&) const = default;
};

// Arcs and splines without a tolerance of their own use this share of the extent.
constexpr double kDefaultToleranceShare = 1e-3;

// "output=polyline;tolerance=none;literal-steps=0": every field, in this order, numbers
// with "." whatever the locale, shortest form that reads back the same.
std::wstring curveOptionsText(const CurveOptions& options);

// Reads what curveOptionsText writes; fields may come in any order or be left out (then
// the default stays). Nothing for an unknown field, a malformed value, a tolerance that
// is not finite and above 0.
std::optional<CurveOptions> parseCurveOptions(std::wstring_view text);

// "polyline", "arcs", "spline"; parseCurveOutput reads them back.
std::wstring_view curveOutputName(CurveOutput output);
std::optional<CurveOutput> parseCurveOutput(std::wstring_view name);

} // namespace plotwright::curve
