#pragma once
// Conversions between the wide text of the core and UTF-8 bytes, independent of the
// user's locale.

#include <string>
#include <string_view>

namespace plotwright::base {

// Code points that UTF-8 cannot carry (lone surrogates, values above U+10FFFF) become
// U+FFFD; a high surrogate directly followed by a low one is joined into one character.
std::string utf8FromWide(std::wstring_view text);

// How many U+FFFD wideFromUtf8 puts in place of bytes that are not well-formed UTF-8.
enum class Utf8Replacement {
    // One for a lead byte and the continuation bytes that follow it, up to the length it
    // announces, also when they spell an overlong form, a surrogate or a value beyond
    // U+10FFFF.
    perSequence,
    // One for each maximal ill-formed part (Unicode's recommended practice): a cut-off
    // sequence is one, an overlong form, a surrogate or a value beyond U+10FFFF is one
    // per byte.
    perMaximalPart,
};

// NUL bytes and a byte-order mark are kept as characters.
std::wstring wideFromUtf8(std::string_view bytes, Utf8Replacement replacement = Utf8Replacement::perSequence);

} // namespace plotwright::base
