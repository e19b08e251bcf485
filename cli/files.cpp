#include "cli/files.h"

#include "cli/failure.h"
#include "base/file_bytes.h"
#include "base/utf8_text.h"

#include <cstring>
#include <sys/stat.h>

namespace plotwright::cli {

using base::wideFromUtf8;

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

std::wstring readTextFile(const std::string& path)
{
    std::string bytes = readFile(path);
    std::string_view view = bytes;
    if (view.starts_with("\xEF\xBB\xBF"))
        view.remove_prefix(3);
    return wideFromUtf8(view);
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
