#include "cli/files.h"

#include "cli/failure.h"
#include "base/utf8_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace plotwright::cli {

using base::wideFromUtf8;

Failure fileFailure(const std::string& path, int error) { return fileFailure(path, std::strerror(error)); }

Failure fileFailure(const std::string& path, const std::string& reason)
{
    return Failure(kExitFileError, path + ": " + reason);
}

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string readFile(const std::string& path)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw fileFailure(path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode))
        throw fileFailure(path, EISDIR);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fileFailure(path, errno);
        }
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::wstring readTextFile(const std::string& path)
{
    std::string bytes = readFile(path);
    std::string_view view = bytes;
    if (view.starts_with("\xEF\xBB\xBF"))
        view.remove_prefix(3);
    return wideFromUtf8(view);
}

void writeFileAtomically(const std::string& path, const std::string& bytes)
{
    std::string temporary = folderOf(path) + "/.plotwright-XXXXXX";
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0)
        throw fileFailure(path, errno);
    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return fileFailure(path, error);
    };
    // mkstemp creates 0600; a new file gets the usual permissions under the umask.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat existing {};
    mode_t mode = ::stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : (0666 & ~mask);
    ::fchmod(fd.get(), mode);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        throw fail(errno);
    if (::close(fd.release()) != 0)
        throw fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        throw fail(errno);
}

bool fileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace plotwright::cli
