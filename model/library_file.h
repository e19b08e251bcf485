#pragma once
// Reading a stored library file back in one parse: its curves, or the reason it holds
// none, with the place of a markup fault as line and byte offset.

#include "base/utf8_text.h"
#include "plotwright/result.h"

#include <filesystem>
#include <string>
#include <string_view>

class CEquationList;

// Reads the whole file at `path` (UTF-8 file-system path given as wide text) and
// decodes it from UTF-8, dropping a leading byte-order mark; ill-formed bytes become
// U+FFFD. On failure returns false, leaves `text` empty and, when `error` is given,
// puts the system's reason there.
bool ReadLibraryFile(const std::wstring& path, std::wstring& text, std::wstring* error = nullptr);

namespace plotwright::model {

// Replaces the contents of `list` with the curves of the library file held in `bytes`
// (UTF-8, a leading byte-order mark skipped, ill-formed bytes read as U+FFFD as
// `replacement` says), parsing
// the markup once. The result:
// - ok: a library, read as far as the markup allows;
// - fileError, "not a curve library (no EquationList element)": `list` is left empty.
// Either way, when the markup is not well-formed the notice holds the parser's first
// message, and where.line and where.offset (a byte offset into `bytes`) the fault's
// place when the message names one.
// Messages and notices do not name the file; where.file is `file`.
Result loadLibrary(std::string_view bytes, CEquationList& list, const std::filesystem::path& file = {},
                   base::Utf8Replacement replacement = base::Utf8Replacement::perMaximalPart);

// The same for the file at `path`; fileError with the system's reason (lower case, no
// file name) when it cannot be read.
Result loadLibraryFile(const std::filesystem::path& path, CEquationList& list);

} // namespace plotwright::model
