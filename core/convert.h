#pragma once
// Between the core's values and the engine's types (the sampler's CEquation, the drawn
// definition kept in drawings, the sampler's and the file layer's outcomes). For the
// core's own code and the programs built with it; not installed.

#include "plotwright/curve.h"
#include "plotwright/drawing.h"
#include "plotwright/geometry.h"
#include "plotwright/result.h"

#include "curve/curve_definition.h"
#include "curve/curve_options.h"
#include "curve/curve_pieces.h"
#include "curve/curve_sampler.h"
#include "model/equation.h"

#include <string>

namespace plotwright::dxf {
struct DxfResult;
}

namespace plotwright::core {

inline Point pointOf(const CurvePoint& p) { return {p.x, p.y, p.z}; }
inline CurvePoint curvePointOf(const Point& p) { return {p.x, p.y, p.z}; }

curve::CurveOptions curveOptionsOf(const DrawingOptions& options);
DrawingOptions drawingOptionsOf(const curve::CurveOptions& options);

// A fresh engine curve with the definition's kind, name, expressions and parameters.
CEquationPtr equationOf(const CurveDefinition& curve);
// The value of an engine curve, drawn with `options`.
CurveDefinition definitionOf(const CEquation& equation, const DrawingOptions& options = {});
// The value of a definition kept with a drawn curve (its origin and id aside).
CurveDefinition definitionOf(const curve::CurveDefinition& drawn);

// The pieces as the other side holds them. The forms taking their argument over move
// every vector (samples are one point type on both sides), so that the largest curves
// are never held twice.
std::vector<curve::CurvePiece> curvePiecesOf(const std::vector<Piece>& pieces);
std::vector<curve::CurvePiece> curvePiecesOf(std::vector<Piece>&& pieces);
std::vector<Piece> piecesOf(std::vector<curve::CurvePiece>&& pieces);

// The sampler's outcome as a result: the texts the editor shows for the statuses that
// have one ("Invalid parameter(s) provided!", the sample count), the parser's reason
// and where for a faulty expression.
Result resultOf(const curve::SampleResult& sampled);
// A file layer outcome; `path` names the file.
Result resultOf(const dxf::DxfResult& result, const std::string& path);

} // namespace plotwright::core
