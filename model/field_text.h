#pragma once
// The encoding of text fields in library files. Encoded text is plain 7-bit ASCII:
// markup characters become references and every byte of the code page (model/code_page.h)
// that is not ASCII, and the equals sign, become "=XX" groups.

#include <string>
#include <string_view>

// EscapeText, then HexQuote: the attribute text of a field.
std::wstring EncodeFieldText(std::wstring_view text);
// Appends EncodeFieldText(text) to `out`, for writers of whole documents.
void AppendEncodedFieldText(std::wstring& out, std::wstring_view text);

// The field back from an attribute value as the markup parser's GetAttribute returns it
// (references decoded once already): UnescapeText a second time, then HexUnquote.
// Malformed text is decoded as far as HexUnquote's rules go; never fails.
std::wstring DecodeFieldText(std::wstring_view attributeValue);

// Replaces < & > ' " by their references, except that an ampersand which already starts
// a reference ("&name;", "&#65;") is copied with the whole reference.
std::wstring EscapeText(std::wstring_view text);

// Converts to the code page (characters it lacks become '?') and writes each byte:
// '=' as "=3D", other ASCII as itself, a byte B >= 0x80 as the three groups of the UTF-8
// form of U+FF00 + B ("=EF=BE=xx" or "=EF=BF=xx").
std::wstring HexQuote(std::wstring_view text);

// The inverse of HexQuote for everything HexQuote produces; other text is decoded
// leniently: a hex digit outside 1-9 and A-F counts as 0, a group that runs past the
// end stops decoding, a lead value 0x7F-0xBF, 0xFE or 0xFF consumes only its '='.
std::wstring HexUnquote(std::wstring_view text);
