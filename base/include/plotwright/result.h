#pragma once
// The outcome of everything in Plotwright that can fail in a way a user sees: a status,
// the message to show, and where the fault is (a file and its line or byte offset, or
// the character of an expression). Showing it is the caller's job.

#include <cstdint>
#include <filesystem>
#include <string>

namespace plotwright {

enum class Status {
    ok,
    invalidParameters,  // a value outside its bounds, a step that cannot advance
    errorInEquation,    // an expression that does not parse or evaluate, an unknown kind
    tooManySamples,     // the range and step give more samples than the limit
    fileError,          // a file that cannot be found or read; a curve library that cannot be
                        // parsed (where.line, where.offset); a drawing with no file to save to
    notDrawing,         // a file that holds no drawing this program reads: empty, other text,
                        // a DWG or a binary DXF drawing
    damagedDrawing,     // a DXF file cut short or with a malformed group (where.line, where.offset)
    unsupportedDrawing, // a drawing whose file cannot be written into: a version the writer cannot
                        // add to, a file read leniently, changes that would overlap
    writeFailed,        // a file that could not be created or written (the old one is untouched)
    notFound,           // no curve of that name, id or handle
    refused,            // the drawing refused what was asked (an entity, a redraw, a save of an
                        // entity holding a number that is not finite)
};

// Where a fault lies. Every part is optional: -1 (or empty) when unknown.
struct Where {
    std::filesystem::path file;
    long line = -1;             // 1-based line of `file`
    std::int64_t offset = -1;   // 0-based byte offset into `file`
    char expression = 0;        // 'Y' or 'X': the curve's expression at fault
    int character = -1;         // 0-based character of that expression
};

struct Result {
    Status status = Status::ok;
    std::wstring message;
    Where where;
    // Set on success when something is worth telling the user: for instance a file that
    // was restored from the copy an interrupted save had kept.
    std::wstring notice = {};
    // Set on success when the input was taken leniently: what was let pass (a drawing read
    // so is shown, but never saved into its file), and where the first such thing is.
    std::wstring warning = {};
    Where warningAt = {};

    bool ok() const { return status == Status::ok; }
    explicit operator bool() const { return ok(); }
};

} // namespace plotwright
