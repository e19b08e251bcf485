#pragma once
// Values typed where a number is expected (the command line's --set, --range, --origin,
// --tolerance; the dialog's number fields): a number, or an expression of the curve
// language without variables ("2*PI", "360/7").

#include <optional>
#include <string>
#include <string_view>

namespace plotwright::curve {

// The finite value of `text`, or nothing; then `reason` (when given) receives why, with
// the 1-based character where an expression went wrong ("unknown name \"q\" at character
// 3"), or "not finite".
std::optional<double> constantValue(std::string_view text, std::string* reason = nullptr);

} // namespace plotwright::curve
