#pragma once
// Conversions between the wide text of the core and UTF-8 bytes, independent of the
// user's locale.

#include <string>
#include <string_view>

namespace plotwright::markup {

// Code points that UTF-8 cannot carry (lone surrogates, values above U+10FFFF) become
// U+FFFD; a high surrogate directly followed by a low one is joined into one character.
std::string utf8FromWide(std::wstring_view text);

// Malformed or overlong sequences become U+FFFD, one per offending byte sequence.
std::wstring wideFromUtf8(std::string_view bytes);

} // namespace plotwright::markup
