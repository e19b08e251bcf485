#pragma once
// The outcome of a file operation of the file layer: what went wrong, as a value, with
// a reason that a message can quote after the file's name.

#include <string>

namespace plotwright::base {

enum class FileError {
    none,
    missing,             // the file (or its folder) does not exist
    isFolder,            // the path names a folder
    notRegular,          // a device, pipe or socket
    readOnly,            // no write permission on the file: it is left alone
    danglingLink,        // a symbolic link to nothing
    changedOnDisk,       // another program changed, replaced, created or removed it since it was read
    exists,              // a file that must be new is already there
    folderProblem,       // the folder is missing, not a folder, not writable, sticky or read-only
    noSpace,             // disk full or quota exhausted
    system,              // anything else: `code` tells
};

struct FileResult {
    FileError error = FileError::none;
    int code = 0;        // the errno behind the failure, 0 when there is none
    std::string reason;  // lower case, without the file's name or a final stop

    bool ok() const { return error == FileError::none; }
    // "\"PATH\": reason"
    std::string message(const std::string& path) const { return "\"" + path + "\": " + reason; }
};

// The result for a failed system call on a file in `folder`: a missing folder, a folder
// without write permission, a full disk and the like are named as such.
FileResult folderFailure(int code, const std::string& folder);
// The result for a failed write of the file itself.
FileResult writeFailure(int code);

} // namespace plotwright::base
