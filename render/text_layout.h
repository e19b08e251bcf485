#pragma once
// Internal to the entity services: where text depends on how wide it is (wrapped
// multi-line text, aligned and fit text), widths come from estimatedTextWidth
// (render/display_shapes.h), so that every display breaks and places text alike.

#include <string>
#include <vector>

namespace plotwright::db::detail {

// `line` broken at spaces into lines no wider than `width` (the estimate at `height`);
// the spaces at a break are dropped. A word wider than `width` stands on a line of its
// own, unbroken. `width` <= 0 or not finite leaves the line whole.
std::vector<std::wstring> wrapLine(const std::wstring& line, double width, double height);

} // namespace plotwright::db::detail
