#pragma once
// Whole-file reads for the command-line tool (writes go through base::replaceFile);
// failures name the file and the system's reason (Failure with kExitFileError).

#include <optional>
#include <string>

namespace plotwright::cli {

// The file's bytes.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

enum class PictureKind { Svg, Png };
// The kind of picture a file name asks for by its ending (.svg, .png, in any case);
// empty for any other name.
std::optional<PictureKind> pictureKindOf(const std::string& path);

} // namespace plotwright::cli
