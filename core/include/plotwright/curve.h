#pragma once
// A curve as a value: its kind, expressions, parameters (constants and the running
// variable's range) and how it is drawn; shaping it into geometry is a pure function.
// New kinds of curve add a CurveKind and a case to the sampler; nothing here holds state.

#include "plotwright/geometry.h"
#include "plotwright/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace plotwright {

// The numbers match the library files' `type` attribute. A definition read from a file
// may carry another number: shaping it fails with Status::errorInEquation.
enum class CurveKind : int {
    explicitCartesian = 1,  // y = f(x)
    parametric = 2,         // x = f(t), y = g(t)
    polar = 3,              // r = f(t)
    space = 4,              // x = f(t), y = g(t), z = h(t)
    implicit = 5,           // F(x, y) = 0 within a window
};

// Where an implicit curve is looked for: the window (min below max) and its grid, cells
// of `cellSize` when above 0, else `gridCells` along the longer side (0: 200).
struct ImplicitWindow {
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
    double yMax = 0;
    int gridCells = 0;
    double cellSize = 0;
    bool operator==(const ImplicitWindow&) const = default;
};

enum class ParameterRole : int {
    runningVariable = 1,  // stepped from minValue to maxValue by increment
    constant = 2,         // value, bounded by min and max unless they are equal
};

// Every field of a parameter as the library files store it.
struct Parameter {
    std::wstring name;
    ParameterRole role = ParameterRole::constant;
    double value = 0;
    double min = 0;
    double max = 0;
    double minValue = 0;
    double maxValue = 0;
    double increment = 0;
    int minSet = 0;  // the running variable's bounds, unless equal
    int maxSet = 0;
    double defaultValue = 0;
    double defaultMin = 0;
    double defaultMax = 0;
    double defaultIncrement = 0;
};

enum class OutputKind { polyline, arcs, spline };

// How a curve is sampled and what kind of entity it becomes.
struct DrawingOptions {
    // Step by the increment alone, as the first versions did (no sample at the end
    // unless the steps land on it, no closing).
    bool literalSteps = false;
    // Adaptive sampling within this distance of the curve (drawing units), when set.
    std::optional<double> tolerance;
    OutputKind output = OutputKind::polyline;
    // Placed mirrored about the curve's own x axis, then scaled (above 0), then turned
    // counter-clockwise by `rotation` degrees about its origin; arcs stay arcs.
    double rotation = 0;
    double scale = 1;
    bool mirror = false;
    // Drawn as its offset by this distance to the left of the direction of travel
    // (negative: to the right), loops cut out as a tool path would be; 0 for the curve
    // itself. With `offsetBothSides` (distance above 0) both offsets, left first.
    double offset = 0;
    bool offsetBothSides = false;
    bool operator==(const DrawingOptions&) const = default;
};

struct CurveDefinition {
    std::wstring name;  // the library name; empty for a curve written by hand
    CurveKind kind = CurveKind::explicitCartesian;
    std::wstring expressionY;  // y, r for a polar curve, F for an implicit one
    std::wstring expressionX;  // x of a parametric or space curve
    std::wstring expressionZ;  // z of a space curve
    ImplicitWindow window;     // an implicit curve's window and grid
    int createdBy = 0;         // the library files' createdBy (2: the user's own)
    std::vector<Parameter> parameters;
    DrawingOptions options;

    // The parameter named `name`, or null.
    Parameter* parameter(const std::wstring& name);
    const Parameter* parameter(const std::wstring& name) const;
    // The running variable the sampler steps (the last one in parameter order), or null.
    Parameter* runningVariable();
    const Parameter* runningVariable() const;
    // Sets the constant `name`; false (nothing changed) when there is no such constant.
    // Bounds are checked when the curve is shaped (Status::invalidParameters).
    bool setConstant(const std::wstring& name, double value);
    // Sets the running variable's range; false when the curve has no running variable.
    bool setRange(double minValue, double maxValue, double increment);
};

// Told how far sampling has come; the default does nothing.
class Progress {
public:
    virtual ~Progress() = default;
    // Positions will run from 0 to `maximum` (below 0: no position follows).
    virtual void start(int maximum) { (void)maximum; }
    virtual void step(int position) { (void)position; }
    // Called once after start(), on success and failure alike.
    virtual void finish() {}
};

struct ShapeOptions {
    Point origin;  // z is used by space curves alone: the others lie at elevation 0
    Progress* progress = nullptr;
};

// Samples `curve` with its options and shapes it into pieces: broken where it is not
// finite, closed where a piece returns to its start, fitted by arcs or a spline when
// asked. Throws nothing; failures are in Shape::result:
// - invalidParameters: "Invalid parameter(s) provided!", no pieces;
// - tooManySamples: the message names the count, no pieces;
// - errorInEquation: the parser's reason, where.expression and where.character when
//   known; the pieces hold what was sampled before the fault.
Shape shape(const CurveDefinition& curve, const ShapeOptions& options = {});

// The sampled points alone (origin offset, z 0), with the same failures as shape().
Samples sample(const CurveDefinition& curve, const ShapeOptions& options = {});

// The curves of a library file.
struct Library {
    Result result;
    std::vector<CurveDefinition> curves;
    // Set when the file is not well-formed and was read as far as possible; it is also
    // result's notice, and result.where has the line and byte offset of the fault.
    std::wstring warning;

    // The curve named `name`, or null.
    const CurveDefinition* find(const std::wstring& name) const;
};

// The four curves built into Plotwright.
Library builtInLibrary();
// Reads the library file `path`, parsing it once: fileError with the system's reason
// when it cannot be read, or when it holds no EquationList element (with where.line and
// where.offset on the first markup fault, if any).
Library readLibrary(const std::filesystem::path& path);
// The installed gallery of classic curves (PLOTWRIGHT_GALLERY names another file), and
// its curves.
std::filesystem::path galleryPath();
Library galleryLibrary();

} // namespace plotwright
