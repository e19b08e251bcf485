#pragma once
// Internal to the file layer: names of the hidden temporary files a save creates beside
// its target, their removal when SIGINT, SIGTERM or SIGHUP ends the process part-way,
// and the removal of those a killed process left behind.

#include <string>

namespace plotwright::base::detail {

// ".NAME.plotwright-PID-N.tmp" beside `target` (a path): hidden, and saying whose it is.
std::string temporaryNameFor(const std::string& target);

// Unlinks the temporaries of `target` whose process no longer runs (a SIGKILL, a power
// cut). Temporaries of running processes are left alone.
void removeStaleTemporaries(const std::string& target);

// A temporary file name removed by a signal handler until disarmed. Registration and the
// handler are async-signal-safe; at most a few saves may be in flight at once (beyond
// that the name is just not guarded).
class GuardedTemporary {
public:
    explicit GuardedTemporary(const std::string& path);
    ~GuardedTemporary();
    GuardedTemporary(const GuardedTemporary&) = delete;
    GuardedTemporary& operator=(const GuardedTemporary&) = delete;
    // The file was renamed or removed: forget it.
    void disarm();

private:
    int slot_ = -1;
};

} // namespace plotwright::base::detail
