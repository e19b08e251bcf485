#pragma once
// Replacing a file's contents so that a failure part-way never damages what was there.

#include <string>
#include <string_view>

namespace plotwright::base {

// Writes `bytes` to a new file beside `path`, flushes it to disk and renames it over
// `path` (through a symbolic link, the file it points at is replaced). An existing
// file's permission bits are kept, and a file the process may not write is refused. On failure the previous file is untouched, the new
// file is removed, `error` holds the system's description and false is returned.
bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& error);

} // namespace plotwright::base
