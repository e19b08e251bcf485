#include "curve/constant_value.h"

#include "curve/expression_parser.h"
#include "base/number_text.h"

#include <cmath>

namespace plotwright::curve {

std::optional<double> constantValue(std::string_view text, std::string* reason)
{
    if (const std::optional<double> number = base::parseNumber(text))
        return number;
    std::string why;
    try {
        ExpressionParser parser;
        // The text is UTF-8; anything beyond ASCII is refused by the parser anyway.
        parser.setExpression(std::wstring(text.begin(), text.end()));
        const double value = parser.evaluate();
        if (std::isfinite(value))
            return value;
        why = "not finite";
    } catch (const ExpressionError& e) {
        why = e.what();
        if (e.position() >= 0)
            why += " at character " + std::to_string(e.position() + 1);
    }
    if (reason)
        *reason = why;
    return std::nullopt;
}

} // namespace plotwright::curve
