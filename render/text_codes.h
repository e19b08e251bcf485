#pragma once
// Internal to the entity services: the codes inside the strings of text entities.

#include <string>
#include <vector>

namespace plotwright::db::detail {

// A single-line text as shown: %%d degree, %%p plus/minus, %%c diameter, %%% percent,
// %%nnn the character nnn; the underline and overline switches %%u and %%o dropped;
// ^ and a character the control character it stands for (^J a line feed, "^ " a caret).
std::wstring plainText(const std::wstring& text);

// The lines of a multi-line text as shown: \P, ^J and line breaks split lines (^I is a
// space); font,
// height, colour, width, tracking, slant and alignment codes and braces are dropped;
// \S stacks become "a/b"; \~ is a no-break space; \\, \{ and \} are the characters.
std::vector<std::wstring> mtextLines(const std::wstring& contents);

} // namespace plotwright::db::detail
