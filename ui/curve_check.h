#pragma once
// Whether a curve can be drawn, judged before the draw asks for an origin: the same
// tests the draw makes (parameters, sampling range, expressions), reported as a value
// that names the field at fault, the reason and, for an expression, the position.

#include <QString>

class CEquation;

namespace plotwright::ui {

struct CurveProblem {
    enum class Field {
        None, FirstExpression, SecondExpression, Minimum, Maximum, Increment, Parameter,
        ThirdExpression,  // a space curve's z
        WindowX,          // an implicit curve's window: x min. or max., y min. or max.
        WindowY,
        Grid,             // its grid
    };
    Field field = Field::None;
    QString message;     // empty: the curve can be drawn
    int position = -1;   // 0-based character of the expression at fault; -1: none
    bool ok() const { return message.isEmpty(); }
};

// The expression fields follow the dialog: the first field holds equationy for an
// explicit, polar or implicit curve and equationx for a parametric or space one, the
// second field their equationy, the third a space curve's equationz. An implicit curve
// has no range: its window and grid are judged instead, and F is tried at the
// window's centre. `Parameter` names a constant (its name starts the message).
// Costs a few additions for the range and one evaluation per expression: fit for
// every keystroke.
CurveProblem CheckCurve(const CEquation& equation);

} // namespace plotwright::ui
