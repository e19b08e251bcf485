#pragma once
// The drawn curves of a drawing as `plotwright list` prints them: a block of text per
// curve, or a JSON array (every number in the shortest form that reads back the same).

#include "plotwright/drawing.h"

#include <string>
#include <vector>

namespace plotwright::core {

std::string curvesJson(const std::vector<DrawnCurve>& curves);
std::string curvesText(const std::vector<DrawnCurve>& curves);

} // namespace plotwright::core
