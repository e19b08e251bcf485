#pragma once
// A drawn curve's stored definition as the properties panel shows it.

#include <QString>

namespace plotwright::curve {
struct CurveDefinition;
}

namespace plotwright::editor {

// "Curve: Epicycloid" (or the expressions' kind when written by hand), the expressions,
// each constant's value, the running variable's range, the origin, the drawing options,
// the piece and the curve's id; one "Name: value" line each. Numbers as the drawing
// keeps them (shortest text that reads back the same, "." as the point).
QString describeCurveDefinition(const plotwright::curve::CurveDefinition& definition);

} // namespace plotwright::editor
