#pragma once
// What the commands print: sampled points as csv or json, and a curve's description.

#include "model/equation.h"

#include <string>

namespace plotwright::cli {

// Appends one "x,y,z" line, 17 significant digits; non-finite as nan, inf, -inf.
void appendCsvPoint(std::string& out, double x, double y, double z);
// Appends one "[x,y,z]" element (no separator); non-finite coordinates as null.
void appendJsonPoint(std::string& out, double x, double y, double z);

// Name, kind, expressions and the parameter table of `show`.
std::string describeCurve(const CEquation& equation);

} // namespace plotwright::cli
