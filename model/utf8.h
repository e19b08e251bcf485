#pragma once
// UTF-8 conversion at the file-system edge: library files and their paths.

#include <string>
#include <string_view>

namespace plotwright::model {

// Ill-formed sequences (stray continuation bytes, overlong forms, surrogates, values
// beyond U+10FFFF, truncated sequences) become one U+FFFD for each maximal bad part.
std::wstring Utf8ToWide(std::string_view bytes);

// Surrogate code points and values beyond U+10FFFF are written as U+FFFD.
std::string WideToUtf8(std::wstring_view text);

} // namespace plotwright::model
