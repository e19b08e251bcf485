#include "base/replace_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plotwright::base {
namespace {

std::atomic<unsigned> temporaryCounter{0};

std::string systemMessage(int error)
{
    return std::generic_category().message(error);
}

// The file a path names, following a symbolic link so that the link itself survives.
std::string resolveTarget(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;  // a dangling link: replaced like a file
    std::string resolved(real);
    std::free(real);
    return resolved;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& error)
{
    const std::string target = resolveTarget(path);
    // A file we may not write stays protected, as it would be against an open for
    // writing; the rename alone would replace it.
    if (::access(target.c_str(), W_OK) != 0 && errno != ENOENT) {
        error = systemMessage(errno);
        return false;
    }
    const auto slash = target.rfind('/');
    const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    // A hidden name beside the target keeps the rename within one file system.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = prefix + "." + base + ".tmp-" + std::to_string(::getpid()) + "-"
                    + std::to_string(temporaryCounter.fetch_add(1));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = systemMessage(errno);
        return false;
    }

    struct stat previous {};
    if (::stat(target.c_str(), &previous) == 0 && S_ISREG(previous.st_mode))
        ::fchmod(fd, previous.st_mode & 07777);

    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = systemMessage(failure);
        return false;
    }

    // Make the rename itself durable; the new contents are already safe.
    const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace plotwright::base
