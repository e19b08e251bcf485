#pragma once
// Reading a library file that an earlier session of the curve dialog wrote. A file
// that is there but cannot be read faithfully is copied aside before anything can
// replace it, and the user is told once what happened.

#include <cstddef>
#include <ctime>
#include <string>

class CEquationList;

namespace plotwright::ui {

struct StoredLibrary {
    enum class State {
        Missing,  // no such file: the caller's default stands
        Loaded,   // read whole
        Damaged,  // unreadable, not UTF-8, not well-formed or without an EquationList
    };
    State state = State::Missing;
    std::wstring path;
    bool unreadable = false;     // the file could not be read at all
    std::wstring problem;        // what is wrong with a damaged file
    std::size_t curvesRead = 0;  // equations taken from a damaged file
    std::wstring copyPath;       // where the damaged file's bytes were kept; empty when no copy was made
    std::wstring copyError;      // why no copy could be made
};

// Loads the library at `path` (UTF-8 path as wide text) into `list` in one parse,
// as far as it can be read. A damaged file's bytes are copied unchanged next to it as
// "<name>.damaged-YYYYMMDD-HHMMSS.xml" (local time `now`; "-2", "-3", ... are added
// rather than overwrite an earlier copy). `list` is emptied when nothing could be read.
StoredLibrary ReadStoredLibrary(const std::wstring& path, CEquationList& list, std::time_t now = std::time(nullptr));

// The paragraph that tells the user about a damaged library, or empty when it is not
// damaged. `nothingReadNote` says what is shown instead when no curve could be read.
std::wstring DamageReport(const StoredLibrary& library, const std::wstring& nothingReadNote);

} // namespace plotwright::ui
