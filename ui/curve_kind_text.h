#pragma once
// A curve's expressions in one line, as the dialog shows a predefined curve and suggests
// a name for a new one: "x; y" for parametric, "x; y; z" for space curves, the one
// expression otherwise (an implicit curve's F).

#include <string>

class CEquation;

namespace plotwright::ui {

std::wstring expressionsText(const CEquation& equation);

} // namespace plotwright::ui
