#pragma once
// Reading a stored library file back: its UTF-8 text as wide text for LoadFromXml.

#include <string>

// Reads the whole file at `path` (UTF-8 file-system path given as wide text) and
// decodes it from UTF-8, dropping a leading byte-order mark; ill-formed bytes become
// U+FFFD. On failure returns false, leaves `text` empty and, when `error` is given,
// puts the system's reason there.
bool ReadLibraryFile(const std::wstring& path, std::wstring& text, std::wstring* error = nullptr);
