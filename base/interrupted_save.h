#pragma once
// Recovery of a file whose in-place save (see replaceFile: files with several hard links
// or a foreign owner) was cut short: the copy of its old content kept beside it is
// written back over it, so the next open reads the complete old file instead of a part
// of the new one, and the next save is not refused for the copy that is in the way.

#include <string>

namespace plotwright::base {

// ".NAME.plotwright-backup" beside the file `path` names (a symbolic link followed).
std::string inPlaceBackupPath(const std::string& path);

struct SaveRecovery {
    bool recovered = false;  // the file was restored from its copy
    // For the user: what was found and done (empty when there was no copy, or another
    // process holds the file's lock because its save is still running).
    std::string message;
};

// Restores `path` from its in-place copy when one is there and no other process is
// writing the file, keeping the file's inode (links, owner, permissions), then removes
// the copy. When the file cannot be written back, the copy stays and the message says
// where the old content is.
SaveRecovery recoverInterruptedSave(const std::string& path);

} // namespace plotwright::base
