#pragma once
// Whole-file reads and writes for the command-line tool; failures name the file and the
// system's reason (Failure with kExitFileError).

#include <string>

namespace plotwright::cli {

// The file's bytes.
std::string readFile(const std::string& path);
// A UTF-8 text file as wide text (a byte-order mark is skipped).
std::wstring readTextFile(const std::string& path);
// Replaces `path` with `bytes` through base::replaceFile: only once they are all on
// disk, never over a read-only file or through a dangling symbolic link.
void writeFileAtomically(const std::string& path, const std::string& bytes);

bool fileExists(const std::string& path);

} // namespace plotwright::cli
