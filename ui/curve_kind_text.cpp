#include "ui/curve_kind_text.h"

#include "model/equation.h"

namespace plotwright::ui {

std::wstring expressionsText(const CEquation& equation)
{
    switch (equation.GetType()) {
    case ParametricCartesian:
        return equation.GetEquationX() + L"; " + equation.GetEquationY();
    case SpaceCurve:
        return equation.GetEquationX() + L"; " + equation.GetEquationY() + L"; " + equation.GetEquationZ();
    default:
        return equation.GetEquationY();
    }
}

} // namespace plotwright::ui
