#include "base/file_bytes.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plotwright::base {
namespace {

FileIdentity identityFrom(const struct stat& info)
{
    return {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}


// Opens `path` for reading and checks that it is no folder; -1 with `error` set otherwise.
int openForReading(const std::string& path, struct stat& info, int& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FileIdentity currentIdentity(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return identityFrom(info);
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void FileLock::release()
{
    if (fd_ >= 0) {
        // Closing the last descriptor of the open file drops the flock.
        ::close(fd_);
        fd_ = -1;
    }
}

FileLock lockFolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    int locked = 0;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        ::close(fd);
        return {};
    }
    return FileLock(fd);
}

int readFileBytes(const std::string& path, std::string& bytes, FileIdentity* identity)
{
    bytes.clear();
    struct stat info {};
    int error = 0;
    const int fd = openForReading(path, info, error);
    if (fd < 0)
        return error;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    error = readRemainingBytes(fd, bytes);
    // The identity after reading: a write that raced the read shows as a change later.
    if (error == 0 && identity) {
        struct stat after {};
        *identity = ::fstat(fd, &after) == 0 ? identityFrom(after) : identityFrom(info);
    }
    ::close(fd);
    if (error != 0)
        bytes.clear();
    return error;
}

int readFileForUpdate(const std::string& path, FileForUpdate& file)
{
    file = FileForUpdate{};
    for (;;) {
        struct stat info {};
        int error = 0;
        const int fd = openForReading(path, info, error);
        if (fd < 0)
            return error == ENOENT ? 0 : error;
        int locked = 0;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0) {
            error = errno;
            ::close(fd);
            return error;
        }
        // A writer that held the lock may have renamed a new file over the path: the
        // lock then guards a file nobody will write again, so take the new one's.
        struct stat now {};
        struct stat held {};
        if (::stat(path.c_str(), &now) != 0 || ::fstat(fd, &held) != 0 || now.st_dev != held.st_dev
            || now.st_ino != held.st_ino) {
            ::close(fd);
            continue;
        }
        error = readRemainingBytes(fd, file.bytes);
        if (error == 0 && ::fstat(fd, &held) != 0)
            error = errno;
        if (error != 0) {
            ::close(fd);
            file = FileForUpdate{};
            return error;
        }
        file.identity = identityFrom(held);
        file.lock = FileLock(fd);
        return 0;
    }
}

int readRemainingBytes(int fd, std::string& bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace plotwright::base
