#pragma once
// The one way files are written: careful replacement of a file's contents, so that a
// failure or a killed process never leaves a damaged file, and nothing that a plain
// rename would lose (a symbolic link, hard links, the owner) is lost.

#include <functional>
#include <string>
#include <string_view>

#include "base/file_bytes.h"
#include "base/file_result.h"

namespace plotwright::base {

// Writes a file's whole content to `fd` from its start; returns 0 or the errno of the
// failing write.
using ContentWriter = std::function<int(int fd)>;

struct ReplaceOptions {
    // The identity of the file when it was read: the save is refused (changedOnDisk)
    // when `path` no longer names that file. With exists false, the save is refused
    // when a file has appeared. Null: no check.
    const FileIdentity* expected = nullptr;
    // The lock taken by readFileForUpdate; after a save it is held on the new file.
    FileLock* lock = nullptr;
    // Receives the identity of the file as written.
    FileIdentity* written = nullptr;
};

// Replaces the contents of the file at `path` (UTF-8), or creates it.
//
// Normally the new contents go to an unnamed temporary file beside the target (or a
// hidden ".NAME.plotwright-PID-N.tmp" where the file system cannot make unnamed ones),
// are flushed to disk and renamed over the target; the folder is flushed too. The old
// file stays whole until then; SIGINT, SIGTERM and SIGHUP remove a named temporary, and
// the next save removes one left by a killed process. The file's permission bits, owner
// and group are kept; a new file gets the permissions the umask gives it.
//
// A file with several hard links, or whose owner or group this process cannot give to
// a new file, is instead written in place, after its old content was copied to
// ".NAME.plotwright-backup" beside it (kept if the process dies part-way, removed after
// a successful write, written back after a failed one).
//
// A symbolic link is followed and stays; one that points at nothing is refused. A file
// without write permission for its owner, or not writable by this process, is refused
// (also for root), as is a folder. On failure the file is as it was and no temporary
// file remains.
FileResult replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});
FileResult replaceFile(const std::string& path, const ContentWriter& writer, const ReplaceOptions& options = {});

// The refusals replaceFile would give before writing anything (a folder, a read-only
// file, a dangling link, a missing or unwritable folder), so a caller can check a second
// target before it changes the first.
FileResult checkReplaceable(const std::string& path);

// Creates `path` with `bytes`; never replaces anything (FileError::exists when the name
// is taken). The name appears only once the content is complete on disk.
FileResult createNewFile(const std::string& path, std::string_view bytes);

} // namespace plotwright::base
