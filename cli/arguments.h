#pragma once
// The command line of the `plotwright` tool, parsed into a request.

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace plotwright::cli {

enum class Command { Help, Curves, Show, Sample, Draw, Render, List, Redraw, LibraryConvert, LibraryCheck, LibraryMerge };

// Where the curve comes from: a library entry by name, or one written on the command line.
enum class CurveSource { Named, Explicit, Parametric, Polar, Space, Implicit };

enum class Format { Csv, Json, Text };

enum class Output { Polyline, Arcs, Spline };

struct Assignment {
    std::string name;   // UTF-8, as typed
    double value = 0;
};

struct Range {
    double min = 0;
    double max = 0;
    double step = 0;
};

// --color: a palette index (256: ByLayer), or a true colour with the palette index
// nearest to it for programs that read only that.
struct ColorChoice {
    int index = 256;
    std::int32_t trueColor = -1;   // 0xRRGGBB, or -1
};

// --units: the drawing's unit as $INSUNITS codes it, and whether it is metric ($MEASUREMENT).
struct UnitsChoice {
    int insunits = 0;
    bool metric = true;
};

struct Request {
    Command command = Command::Help;
    CurveSource source = CurveSource::Named;
    std::string name;                    // curve name (UTF-8) for show and a named curve
    std::optional<std::string> library;  // library file ("gallery": the installed one); none: the default list
    std::string expressionY;             // --explicit Y, --polar R, the Y of --parametric
    std::string expressionX;             // the X of --parametric and --space
    std::string expressionZ;             // the Z of --space
    // --window XMIN:XMAX,YMIN:YMAX and --grid N of an implicit curve.
    std::optional<std::array<double, 4>> window;
    std::optional<int> grid;
    std::vector<Assignment> assignments; // --set, in the order given
    std::optional<Range> range;
    std::array<double, 3> origin{0, 0, 0};
    bool originGiven = false;            // --origin was given (redraw keeps the curve's own otherwise)
    Format format = Format::Csv;
    std::string out;                     // draw: the drawing; library convert: OUT; library merge: INTO
    std::optional<std::string> preview;  // draw: SVG preview
    std::string in;                      // library convert IN, library check FILE, library merge FROM, render,
                                         // list and redraw DRAWING
    std::string curve;                   // redraw: the curve id or a piece's handle
    bool force = false;                  // redraw --force
    bool replace = false;                // library merge --replace
    std::optional<double> tolerance;     // --tolerance: adaptive sampling
    Output output = Output::Polyline;    // draw --output
    bool outputGiven = false;
    bool literalSteps = false;           // --literal-steps
    bool verbose = false;                // --verbose
    std::optional<std::array<int, 2>> size;  // render --size WxH
    std::optional<std::string> layer;        // draw, redraw --layer (UTF-8)
    std::optional<ColorChoice> color;        // draw, redraw --color
    std::optional<UnitsChoice> units;        // draw --units: for a new drawing
    std::optional<double> rotate;            // draw, redraw --rotate DEG
    std::optional<double> scale;             // draw, redraw --scale S (above 0)
    std::optional<bool> mirror;              // draw, redraw --mirror (redraw --no-mirror: false)
    std::optional<double> offset;            // draw, redraw --offset D / --offset-both D
    bool offsetBoth = false;                 // the offset was given by --offset-both
};

// A command line that does not fit; `what()` says why, `command` which usage to show.
class UsageError : public std::runtime_error {
public:
    UsageError(const std::string& message, Command command_) : std::runtime_error(message), command(command_) {}
    Command command;
};

// Parses the arguments after the program name. Throws UsageError.
Request parseArguments(const std::vector<std::string>& args);

// The synopsis of one command ("usage: plotwright sample CURVE ...") or, for Help, of all.
std::string usageText(Command command);
// The full --help text.
std::string helpText();
// "plotwright VERSION" and a line feed, for --version.
std::string versionText();

} // namespace plotwright::cli
