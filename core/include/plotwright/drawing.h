#pragma once
// A drawing (DXF file) as the core sees it: opened and saved through the careful file
// layer, curves added to model space with their definitions, the drawn curves listed and
// drawn again in place. Every call names its drawing and its origin; nothing is global.

#include "plotwright/curve.h"
#include "plotwright/geometry.h"
#include "plotwright/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plotwright {

// Where new entities go. Unset fields take the drawing's defaults.
struct PlaceOptions {
    // The layer; default: the drawing's current layer. A layer the drawing lacks is added.
    std::optional<std::wstring> layer;
    // A colour index 0-256 (256: by layer, 0: by block); default: by layer.
    std::optional<int> colorIndex;
};

// The entities one add or redraw made.
struct Placed {
    Result result;
    // The new entities' handles (upper-case hexadecimal), in piece order.
    std::vector<std::string> handles;
};

// How a drawn curve's pieces compare to what was drawn.
enum class CurveChange {
    unchanged,
    moved,   // every vertex by one vector in the drawing's plane (`shift`)
    edited,  // changed otherwise (`reason`)
};

// A curve the drawing holds: entities that carry one curve definition and id.
struct DrawnCurve {
    std::string id;  // 32 lower-case hexadecimal digits
    CurveDefinition definition;
    Point origin;  // where it was drawn
    // The pieces found, in piece order (handles), and how many were drawn.
    std::vector<std::string> handles;
    std::uint32_t pieceCount = 1;
    CurveChange change = CurveChange::unchanged;
    Point shift;
    std::wstring reason;
};

class Drawing {
public:
    // A new, empty drawing without a file.
    Drawing();
    ~Drawing();
    Drawing(Drawing&&) noexcept;
    Drawing& operator=(Drawing&&) noexcept;

    struct OpenOptions {
        // Waits for the file's exclusive advisory lock and holds it until the drawing is
        // saved elsewhere or destroyed, so that other writers queue behind this one.
        bool forUpdate = true;
    };
    // Reads the DXF file `path` in place of what this drawing held; on failure nothing
    // changes: fileError (not found or not readable), notDrawing, or damagedDrawing with
    // where.line and where.offset on the group code at fault; where.file is set. A file
    // read leniently gives a warning placed by warningAt (such a drawing is never saved
    // into its file), a restored one a notice.
    Result open(const std::filesystem::path& path, const OpenOptions& options);
    Result open(const std::filesystem::path& path) { return open(path, OpenOptions{}); }

    // Saves to the file it came from; refused when another program changed, replaced or
    // removed that file meanwhile (writeFailed), and for a drawing that has no file yet
    // (fileError). unsupportedDrawing for a file it does not write into. A file with no
    // place for the definitions of the curves drawn (an R12 file without an APPID table)
    // is saved with the curves, and the result's notice says the definitions were not kept.
    Result save();
    struct SaveOptions {
        // Refuse when a file exists at `path` (another program created it meanwhile).
        bool onlyIfAbsent = false;
    };
    // Saves to `path`, which becomes the drawing's file.
    Result saveAs(const std::filesystem::path& path, const SaveOptions& options);
    Result saveAs(const std::filesystem::path& path) { return saveAs(path, SaveOptions{}); }

    // The file the drawing was read from or last saved to; empty for a new drawing.
    const std::filesystem::path& path() const;

    // Adds the pieces of `shape` (shaped from `curve`) to model space, each carrying the
    // definition at the shape's origin and one new curve id. Stops at the first entity
    // the drawing refuses (Status::refused; the handles then list what was added).
    Placed add(const CurveDefinition& curve, const Shape& shape, const PlaceOptions& options = {});
    // The same, taking the pieces over: their points go into the drawing without a copy,
    // so that a curve of millions of samples is never held twice. `shape.pieces` is left
    // empty; its other fields stay as they were.
    Placed add(const CurveDefinition& curve, Shape&& shape, const PlaceOptions& options = {});

    // In the order of their first pieces in model space.
    std::vector<DrawnCurve> curves() const;
    // The curve `key` names: its id or the handle of one of its pieces, in any case.
    std::optional<DrawnCurve> findCurve(const std::string& key) const;

    // Draws `curve` (shaped as `shape`) in place of the pieces of `drawn`: they go, the
    // new pieces take their layer, colour and curve id. When the shape failed, holds no
    // piece, or a piece is refused, the drawing stays as it was (Status::refused, or
    // the shape's result).
    Placed redraw(const DrawnCurve& drawn, const CurveDefinition& curve, const Shape& shape);

    // An SVG picture of model space.
    std::string svgPicture() const;

private:
    friend struct DrawingAccess;  // the programs' and module's own code (not installed)
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace plotwright
