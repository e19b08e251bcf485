#pragma once
// Drawings as ASCII DXF files.
//
// Reading keeps the whole file: saving a drawing that was read writes every original
// group code/value pair back unchanged and in order, adds the entities appended since
// at the end of the ENTITIES section and raises $HANDSEED. A new drawing is saved as a
// complete R2000 file. Saving replaces the target atomically.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "base/replace_file.h"
#include "plotwright/result.h"

class AcDbDatabase;

namespace plotwright::dxf {

enum class DxfStatus {
    ok,
    fileAccess,   // cannot open or read the file
    writeFailed,  // cannot create or write the file (the old one is untouched)
    notDxf,       // empty, text that is not DXF, or a DWG drawing
    binaryDxf,    // binary DXF
    truncated,    // ends inside a pair or section, or without EOF
    malformed,    // a group code that is not a number, a broken section
    unsupported,  // a version the writer cannot add to
    nonFinite,    // a coordinate that is NaN or infinite
};

// Message texts have the form `Cannot open "PATH": reason.` / `Cannot save "PATH": reason.`
struct DxfResult {
    DxfResult() = default;
    DxfResult(DxfStatus s, std::string text) : status(s), message(std::move(text)) {}
    DxfStatus status = DxfStatus::ok;
    std::string message;
    // A read that succeeded leniently says what it let pass (`"PATH": what.`); such a
    // drawing is shown but cannot be saved into its file. Empty otherwise.
    std::string warning;
    // Where the first thing the lenient read let pass lies: its 1-based line and the byte
    // offset where that line starts (for a missing end marker, the end of the file).
    long warningLine = -1;
    std::int64_t warningOffset = -1;
    // Not a failure, but worth telling the user: a file restored from the copy an
    // interrupted save kept (see base::recoverInterruptedSave); a save that could not
    // keep the definitions of the curves drawn, for want of a place in the file.
    std::string notice = {};
    // Where: the file read or written, and for a fault in its text the 1-based line of the
    // group code at fault and the byte offset where that line starts (-1: none).
    std::string path = {};
    long line = -1;
    std::int64_t offset = -1;
    bool ok() const { return status == DxfStatus::ok; }

    // The same outcome as the programs' one result type: each failure a caller would
    // answer differently has its status (a file that cannot be read, no drawing, a
    // damaged one, one that cannot be written into, a failed write), the texts become
    // wide text (ill-formed UTF-8 as U+FFFD), where holds the path, line and offset, and
    // warningAt the lenient read's.
    Result toResult() const;
};

// Reads the DXF file at `path` (UTF-8) into a new database. On failure `database` is
// left empty and the result names the file and the reason. `identity` receives which
// file was read, for a later save's check. With `lock`, the read waits for the file's
// exclusive advisory lock and leaves it held in `lock` (for a read-modify-write). A file
// whose in-place save was cut short is first restored from the copy of its old content;
// `notice` says so.
DxfResult readDxf(const std::string& path, std::unique_ptr<AcDbDatabase>& database,
                  base::FileIdentity* identity = nullptr, base::FileLock* lock = nullptr);

// Reads DXF text already in memory; `path` only names it in messages.
DxfResult readDxfText(std::string text, const std::string& path, std::unique_ptr<AcDbDatabase>& database);

// Saves `database` to `path` (UTF-8) through base::replaceFile: on failure the old
// file, if any, is untouched and no temporary file remains; a read-only file, a dangling
// symbolic link and (with options.expected) a file changed on disk since it was read
// are refused. Clears the modified flag on success. Refuses a drawing holding a
// non-finite number.
DxfResult saveDxf(AcDbDatabase& database, const std::string& path, const base::ReplaceOptions& options = {});

} // namespace plotwright::dxf
