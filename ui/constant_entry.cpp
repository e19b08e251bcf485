#include "ui/constant_entry.h"

#include "curve/constant_value.h"

#include <cmath>

namespace plotwright::ui {

ConstantEntry evaluateConstant(const QString& text, const grid::NumberFormat& format, double lower, double upper)
{
    const QString shown = QLatin1Char('"') + text.trimmed() + QLatin1Char('"');
    std::string reason;
    const std::optional<double> value = curve::constantValue(text.trimmed().toStdString(), &reason);
    if (!value) {
        // The same words as the command line's refusal of such a value.
        QString refusal = shown + QStringLiteral(" is not a finite number");
        if (reason != "not finite")
            refusal += QStringLiteral(" (") + QString::fromStdString(reason) + QLatin1Char(')');
        return {std::nullopt, refusal + QLatin1Char('.')};
    }
    const QString number = grid::formatFixed(*value, true, format);
    if (*value < 0 && !format.negativesAllowed)
        return {std::nullopt, shown + QStringLiteral(" is ") + number + QStringLiteral(": no negative value here.")};
    // Rounded as the field keeps it: 999.9999999 has four whole digits at 4 decimals.
    const double shownMagnitude = std::abs(grid::valueOf(grid::digitsOf(*value, format)));
    if (shownMagnitude >= std::pow(10.0, format.maxWholeDigits))
        return {std::nullopt, shown + QStringLiteral(" is ") + number + QStringLiteral(": at most ")
                    + QString::number(format.maxWholeDigits) + QStringLiteral(" digits before the point.")};
    if (lower != upper && !(lower <= *value && *value <= upper))
        return {std::nullopt, shown + QStringLiteral(" is ") + number + QStringLiteral(". ")
                    + grid::rangeMessage(lower, upper, format)};
    return {value, QString()};
}

} // namespace plotwright::ui
