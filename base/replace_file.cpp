#include "base/replace_file.h"

#include "base/temporary_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plotwright::base {
namespace {

using detail::GuardedTemporary;

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int writeAllBytes(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int syncFolder(const std::string& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0)
        return errno;
    return 0;
}

// The file a save writes: `path`, or the file a symbolic link at `path` points at.
struct Target {
    std::string path;
    bool exists = false;
    struct stat info {};
};

FileResult resolveTarget(const std::string& path, Target& target)
{
    target.path = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == EACCES)
            return {};  // a new file: the folder is checked next
        return writeFailure(errno);
    }
    if (S_ISLNK(link.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) {
            if (errno != ENOENT)
                return writeFailure(errno);
            // Replacing the link by a plain file would cut it; creating its target is a
            // guess about what the link meant.
            char pointee[PATH_MAX];
            const ssize_t length = ::readlink(path.c_str(), pointee, sizeof pointee - 1);
            const std::string to = length > 0 ? std::string(pointee, static_cast<std::size_t>(length)) : std::string();
            return {FileError::danglingLink, ENOENT,
                    "it is a symbolic link to \"" + to + "\", which does not exist"};
        }
        target.path = real;
        std::free(real);
        if (::stat(target.path.c_str(), &link) != 0)
            return writeFailure(errno);
    }
    target.exists = true;
    target.info = link;
    if (S_ISDIR(link.st_mode))
        return {FileError::isFolder, EISDIR, "it is a folder"};
    if (!S_ISREG(link.st_mode))
        return {FileError::notRegular, 0, "it is not a regular file"};
    // Root may write anything, so the owner's write bit is what says "leave it alone".
    if ((link.st_mode & S_IWUSR) == 0)
        return {FileError::readOnly, EACCES, "the file is read-only"};
    // The real user's permission, as access(2) judges it: a program running with
    // borrowed rights does not write where its user may not.
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, 0) != 0)
        return writeFailure(errno);
    return {};
}

// A new file needs a folder to be made in; replacing by rename needs the same.
FileResult checkFolder(const Target& target)
{
    const std::string folder = folderOf(target.path);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return folderFailure(errno, folder);
    if (!S_ISDIR(info.st_mode))
        return folderFailure(ENOTDIR, folder);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return folderFailure(errno, folder);
    return {};
}

FileResult checkUnchanged(const ReplaceOptions& options, const std::string& path)
{
    if (!options.expected)
        return {};
    const FileIdentity now = currentIdentity(path);
    if (now == *options.expected)
        return {};
    if (!options.expected->exists)
        return {FileError::changedOnDisk, 0,
                "another program created the file after it was found missing; nothing was written"};
    if (!now.exists)
        return {FileError::changedOnDisk, 0,
                "another program moved or removed the file after it was read; nothing was written"};
    return {FileError::changedOnDisk, 0, "another program changed the file after it was read; nothing was written"};
}

// The new content before it has the target's name: an unnamed file where the file
// system can make one (nothing is left behind whatever ends the process), otherwise a
// hidden named file guarded against SIGINT and SIGTERM.
class Temporary {
public:
    ~Temporary() { discard(); }

    FileResult open(const std::string& target)
    {
        target_ = target;
        const std::string folder = folderOf(target);
        detail::removeStaleTemporaries(target);
        fd_.reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (fd_.get() >= 0)
            return {};
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return folderFailure(errno, folder);
        for (int attempt = 0; attempt < 100; ++attempt) {
            name_ = detail::temporaryNameFor(target);
            fd_.reset(::open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd_.get() >= 0) {
                guard_ = std::make_unique<GuardedTemporary>(name_);
                return {};
            }
            if (errno != EEXIST)
                break;
        }
        const int code = errno;
        name_.clear();
        return folderFailure(code, folder);
    }

    int fd() const { return fd_.get(); }

    // Gives the content the name `path`: over an existing file when `replace`, else
    // failing with EEXIST when the name is taken. 0 or the errno of the failure.
    int publish(const std::string& path, bool replace)
    {
        if (name_.empty()) {
            if (!replace)
                return linkUnnamed(path);
            // An unnamed file cannot be renamed over another: it gets a hidden name
            // for the instant between the link and the rename.
            name_ = detail::temporaryNameFor(target_);
            guard_ = std::make_unique<GuardedTemporary>(name_);
            if (const int code = linkUnnamed(name_); code != 0) {
                name_.clear();
                guard_.reset();
                return code;
            }
        }
        int code = 0;
        if (replace ? ::rename(name_.c_str(), path.c_str()) != 0 : ::link(name_.c_str(), path.c_str()) != 0)
            code = errno;
        if (code != 0 || !replace)
            ::unlink(name_.c_str());
        name_.clear();
        guard_.reset();
        return code;
    }

    // The open descriptor, once published (to keep a lock on it).
    int releaseFd() { return fd_.release(); }

    void discard()
    {
        if (!name_.empty())
            ::unlink(name_.c_str());
        name_.clear();
        guard_.reset();
        fd_.reset();
    }

private:
    int linkUnnamed(const std::string& path)
    {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        const int code = errno;
        if (code == EEXIST)
            return code;
        // Without /proc; needs CAP_DAC_READ_SEARCH.
        if (::linkat(fd_.get(), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0)
            return 0;
        return code;
    }

    std::string target_;
    std::string name_;
    Descriptor fd_;
    std::unique_ptr<GuardedTemporary> guard_;
};

FileIdentity identityOfFd(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

int rewrite(int fd, const ContentWriter& writer)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    if (const int code = writer(fd); code != 0)
        return code;
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end < 0 || ::ftruncate(fd, end) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

// Writing over the file itself keeps its hard links, owner, group and anything else
// attached to the inode; the old content is copied aside first, so that neither a
// failure nor a crash part-way loses it.
FileResult writeInPlace(const Target& target, const ContentWriter& writer, const ReplaceOptions& options)
{
    const std::string backup = folderOf(target.path) + "/." + baseNameOf(target.path) + ".plotwright-backup";
    Descriptor fd(::open(target.path.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0)
        return writeFailure(errno);
    std::string old;
    if (const int code = readRemainingBytes(fd.get(), old); code != 0)
        return writeFailure(code);
    if (FileResult unchanged = checkUnchanged(options, target.path); !unchanged.ok())
        return unchanged;
    FileResult kept = createNewFile(backup, old);
    if (kept.error == FileError::exists)
        return {FileError::exists, EEXIST,
                "an earlier save was cut short; \"" + backup + "\" holds the file as it was before it, move it away first"};
    if (!kept.ok()) {
        kept.reason = "no copy of the old content could be kept (" + kept.reason + ")";
        return kept;
    }
    if (const int code = rewrite(fd.get(), writer); code != 0) {
        FileResult failed = writeFailure(code);
        const bool restored = rewrite(fd.get(), [&](int out) { return writeAllBytes(out, old); }) == 0;
        if (restored)
            ::unlink(backup.c_str());
        else
            failed.reason += "; the old content is in \"" + backup + "\"";
        return failed;
    }
    ::unlink(backup.c_str());
    syncFolder(folderOf(target.path));
    if (options.written)
        *options.written = identityOfFd(fd.get());
    return {};
}

// Whether the rename would lose something of the old file: its other hard links, or an
// owner or group that this process cannot give to the new file.
bool keepsInode(const Target& target, int temporaryFd)
{
    if (target.info.st_nlink > 1)
        return true;
    struct stat fresh {};
    if (::fstat(temporaryFd, &fresh) != 0)
        return true;
    if (fresh.st_uid == target.info.st_uid && fresh.st_gid == target.info.st_gid)
        return false;
    return ::fchown(temporaryFd, target.info.st_uid, target.info.st_gid) != 0;
}

FileResult renameFailure(int code, const std::string& folder)
{
    struct stat info {};
    if ((code == EPERM || code == EACCES) && ::stat(folder.c_str(), &info) == 0 && (info.st_mode & S_ISVTX))
        return {FileError::folderProblem, code,
                "the folder \"" + folder + "\" is shared (sticky): only the file's owner may replace it"};
    return folderFailure(code, folder);
}

} // namespace

FileResult replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options)
{
    return replaceFile(path, [bytes](int fd) { return writeAllBytes(fd, bytes); }, options);
}

FileResult replaceFile(const std::string& path, const ContentWriter& writer, const ReplaceOptions& options)
{
    Target target;
    if (FileResult resolved = resolveTarget(path, target); !resolved.ok())
        return resolved;
    if (FileResult unchanged = checkUnchanged(options, target.path); !unchanged.ok())
        return unchanged;
    if (FileResult folder = checkFolder(target); !folder.ok())
        return folder;

    Temporary temporary;
    if (FileResult opened = temporary.open(target.path); !opened.ok())
        return opened;
    if (target.exists) {
        if (keepsInode(target, temporary.fd())) {
            temporary.discard();
            return writeInPlace(target, writer, options);
        }
        // After fchown, which clears set-user-ID bits.
        if (::fchmod(temporary.fd(), target.info.st_mode & 07777) != 0)
            return writeFailure(errno);
    }

    if (const int code = writer(temporary.fd()); code != 0)
        return writeFailure(code);
    if (::fsync(temporary.fd()) != 0)
        return writeFailure(errno);
    // The write may have taken long: check again just before the switch.
    if (FileResult unchanged = checkUnchanged(options, target.path); !unchanged.ok())
        return unchanged;
    if (options.lock)
        ::flock(temporary.fd(), LOCK_EX | LOCK_NB);

    // A file that was missing is created without replacing one that appeared meanwhile.
    const bool replace = target.exists || !options.expected;
    if (const int code = temporary.publish(target.path, replace); code != 0) {
        if (code == EEXIST)
            return checkUnchanged(options, target.path).ok()
                       ? FileResult{FileError::exists, code, "the file already exists"}
                       : checkUnchanged(options, target.path);
        return renameFailure(code, folderOf(target.path));
    }
    const std::string folder = folderOf(target.path);
    if (const int code = syncFolder(folder); code != 0 && code != EINVAL)
        return {FileError::system, code, "the file was written but the folder could not be flushed to disk"};
    if (options.written)
        *options.written = identityOfFd(temporary.fd());
    if (options.lock)
        *options.lock = FileLock(temporary.releaseFd());
    return {};
}

FileResult checkReplaceable(const std::string& path)
{
    Target target;
    if (FileResult resolved = resolveTarget(path, target); !resolved.ok())
        return resolved;
    return checkFolder(target);
}

FileResult createNewFile(const std::string& path, std::string_view bytes)
{
    Target target;
    target.path = path;
    if (FileResult folder = checkFolder(target); !folder.ok())
        return folder;
    Temporary temporary;
    if (FileResult opened = temporary.open(path); !opened.ok())
        return opened;
    if (const int code = writeAllBytes(temporary.fd(), bytes); code != 0)
        return writeFailure(code);
    if (::fsync(temporary.fd()) != 0)
        return writeFailure(errno);
    if (const int code = temporary.publish(path, false); code != 0) {
        if (code == EEXIST)
            return {FileError::exists, code, "the file already exists"};
        return folderFailure(code, folderOf(path));
    }
    syncFolder(folderOf(path));
    return {};
}

} // namespace plotwright::base
