#include "cli/files.h"

#include "cli/failure.h"
#include "base/file_bytes.h"

#include <cstring>
#include <sys/stat.h>

namespace plotwright::cli {

Failure fileFailure(const std::string& path, int error) { return fileFailure(path, std::strerror(error)); }

Failure fileFailure(const std::string& path, const std::string& reason)
{
    return Failure(kExitFileError, path + ": " + reason);
}

std::string readFile(const std::string& path)
{
    std::string bytes;
    if (const int error = base::readFileBytes(path, bytes); error != 0)
        throw fileFailure(path, error);
    return bytes;
}

bool fileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<PictureKind> pictureKindOf(const std::string& path)
{
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (tail == ".svg")
        return PictureKind::Svg;
    if (tail == ".png")
        return PictureKind::Png;
    return std::nullopt;
}

} // namespace plotwright::cli
