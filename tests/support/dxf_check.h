#pragma once
// Helpers of the drawing tests: temporary folders, running the independent DXF reader
// (ezdxf, through dxf_check.py) and ezdxf scripts that make fixture drawings.

#include <string>
#include <vector>

namespace dxftest {

// A unique folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return root_ + "/" + name; }
    const std::string& root() const { return root_; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::string root_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Runs a Python script with /usr/bin/python3 and the given arguments; returns its
// standard output. Fails the current test when it exits with an error.
std::string runPython(const std::string& scriptPath, const std::vector<std::string>& args);
// Writes `source` to a script file in `dir` and runs it.
std::string runPythonSource(const TempDir& dir, const std::string& source, const std::vector<std::string>& args);

// What ezdxf makes of a DXF file (dxf_check.py --text).
struct CheckedEntity {
    std::string space;   // "modelspace" or "paperspace"
    std::string type;
    std::string handle;
    std::string layer;
    std::string keys;    // "closed=False elevation=0.0 count=2 owner=1F"
    std::vector<std::vector<std::string>> vertices;  // repr() of each coordinate
};
struct CheckReport {
    bool ok = false;
    std::string error;
    std::string version;
    std::string handseed;
    std::vector<std::string> auditErrors;
    std::vector<std::string> handleProblems;
    std::vector<CheckedEntity> entities;
    std::vector<const CheckedEntity*> ofType(const std::string& type, const std::string& space = "modelspace") const;
};
CheckReport checkDxf(const std::string& path);

// True when the Python repr() `text` is exactly `value` (bit for bit, so -0.0 != 0.0).
bool sameDouble(const std::string& text, double value);

// The lines of a DXF text as (code line, value line) pairs, line endings kept.
std::vector<std::pair<std::string, std::string>> rawPairs(const std::string& text);

} // namespace dxftest
