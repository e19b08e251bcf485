#pragma once
// Reading a whole file at the file-system edge, and what a later save needs to know
// about the file that was read: which file it was, and a lock against other writers.

#include <ctime>
#include <string>

#include <sys/types.h>

#include "base/file_result.h"

namespace plotwright::base {

// Which file a path named when it was read: a save refuses to replace a file whose
// identity changed since (another program wrote, replaced, created or removed it).
struct FileIdentity {
    bool exists = false;  // false: there was no file
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    friend bool operator==(const FileIdentity& a, const FileIdentity& b)
    {
        if (!a.exists || !b.exists)
            return a.exists == b.exists;
        return a.device == b.device && a.inode == b.inode && a.size == b.size
               && a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
    }
};

// The identity of the file `path` names now (following a symbolic link); exists is
// false when there is none.
FileIdentity currentIdentity(const std::string& path);

// An exclusive advisory lock (flock) held on an open file until destroyed or released.
// Every writer of the file layer that reads for update takes it, so two of them queue
// instead of one losing the other's change.
class FileLock {
public:
    FileLock() = default;
    explicit FileLock(int lockedFd) : fd_(lockedFd) {}
    ~FileLock() { release(); }
    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

// Waits for the exclusive lock on the folder that holds `path`, so that writers that
// create `path` take turns: the first creates it, the later ones find it there and add
// to it. Not held (and nothing waited for) when the folder cannot be opened.
FileLock lockFolderOf(const std::string& path);

// Puts the whole content of the file at `path` (a UTF-8 file-system path) in `bytes`
// and, when asked, its identity at the time of reading. Returns 0, or the errno of the
// failure (ENOENT when there is no file, EISDIR for a folder); `bytes` is then empty.
int readFileBytes(const std::string& path, std::string& bytes, FileIdentity* identity = nullptr);

// Appends what is left to read from the open descriptor `fd` to `bytes`; 0 or the errno
// of the failure. For writers that read the old content of a file they hold open.
int readRemainingBytes(int fd, std::string& bytes);

// A file read for a read-modify-write.
struct FileForUpdate {
    std::string bytes;
    FileIdentity identity;  // exists is false when there was no file
    FileLock lock;          // held on the file that was read; none for a missing file
};

// Waits for the exclusive lock on `path`, then reads it whole. When another writer
// replaced the file while this one waited, the new file is locked and read instead. A
// missing file is not an error (identity.exists is false); the returned error is the
// errno of the failure (EISDIR for a folder) and `file` is then empty.
int readFileForUpdate(const std::string& path, FileForUpdate& file);

} // namespace plotwright::base
