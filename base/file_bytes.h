#pragma once
// Reading a whole file at the file-system edge.

#include <string>

namespace plotwright::base {

// Puts the whole content of the file at `path` (a UTF-8 file-system path) in `bytes`.
// Returns 0, or the errno of the failure (ENOENT when there is no file, EISDIR for a
// folder); `bytes` is then empty.
int readFileBytes(const std::string& path, std::string& bytes);

} // namespace plotwright::base
