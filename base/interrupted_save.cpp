#include "base/interrupted_save.h"

#include "base/file_bytes.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plotwright::base {

namespace {

std::string resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

int writeAll(int fd, std::string_view bytes)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::ftruncate(fd, ::lseek(fd, 0, SEEK_CUR)) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

} // namespace

std::string inPlaceBackupPath(const std::string& path)
{
    const std::string file = resolved(path);
    const auto slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : file.substr(0, slash));
    const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    return folder + "/." + name + ".plotwright-backup";
}

SaveRecovery recoverInterruptedSave(const std::string& path)
{
    SaveRecovery recovery;
    const std::string backup = inPlaceBackupPath(path);
    std::string old;
    if (readFileBytes(backup, old) != 0)
        return recovery;  // no copy (the usual case), or one that cannot be read
    const int fd = ::open(resolved(path).c_str(), O_RDWR | O_CLOEXEC);
    const auto keep = [&](const std::string& why) {
        recovery.message = "An earlier save of \"" + path + "\" was cut short and the file could not be restored (" +
                           why + "); \"" + backup + "\" holds the file as it was before that save.";
        return recovery;
    };
    if (fd < 0)
        return keep(std::strerror(errno));
    // Writers that read for update hold this lock for their whole save: one that is
    // still running is not interrupted, and its copy is not ours to restore.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return recovery;
    }
    // The copy may have been removed by a save that ended while this waited.
    std::string again;
    if (readFileBytes(backup, again) != 0 || again != old) {
        ::close(fd);
        return recovery;
    }
    const int code = writeAll(fd, old);
    ::close(fd);
    if (code != 0)
        return keep(std::strerror(code));
    ::unlink(backup.c_str());
    recovery.recovered = true;
    recovery.message = "An earlier save of \"" + path +
                       "\" was cut short; the file was restored to what it held before that save.";
    return recovery;
}

} // namespace plotwright::base
