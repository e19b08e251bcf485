#pragma once
// Builds the element index of a markup document in one pass over its nodes, repairing
// the tree where end tags are missing or stray.

#include "markup/xml_element_index.h"

#include <string>
#include <string_view>

namespace plotwright::markup {

// Fills `index` (already reset to record 0) with the elements of the non-empty `text`.
// Markup errors set the ill-formed flag of record 0; the first one's message goes to
// `result` if that is still empty, and the offset of the character where it lies to
// `errorAt`. Record 0's first child is the first top-level element.
void buildElementIndex(std::wstring_view text, XmlElementIndex& index, std::wstring& result, long long& errorAt);

// Name comparison shared by end-tag matching and the element and attribute search:
// `longer` starts with `name` and ends there or continues with " ", "=", "/", "[" or "]".
bool markupNameMatches(std::wstring_view longer, std::wstring_view name);

} // namespace plotwright::markup
