#pragma once
// A value typed into one of the dialog's number fields as a constant expression
// ("2*PI", "360/7"), read as the command line reads its values and then held to the
// field's own rules: its whole digits, its sign, its bounds.

#include "grid/number_format.h"

#include <QString>

#include <optional>

namespace plotwright::ui {

struct ConstantEntry {
    std::optional<double> value;
    QString refusal;  // why there is no value, as the field shows it
};

// `text` is a number or an expression without variables; "." is its point whatever
// the locale. Bounds as the fields keep them: lower == upper means none.
ConstantEntry evaluateConstant(const QString& text, const grid::NumberFormat& format, double lower, double upper);

} // namespace plotwright::ui
