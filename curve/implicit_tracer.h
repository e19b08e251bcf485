#pragma once
// The curve F(x, y) = 0 within a window: a grid of cells finds every branch (a sign
// change along a cell edge, or a node where |F| dips to zero without one), and each
// branch is traced from there with steps whose chords stay within a tolerance, every
// vertex projected onto the curve, through crossings, to the window's edges or round to
// its start.

#include "curve/curve_points.h"
#include "curve/sample_progress.h"

#include <cstddef>

namespace plotwright::curve {

// F(x, y); a value that is not finite means F is not defined there. May throw; the
// tracer lets it pass.
class ImplicitFunction {
public:
    virtual ~ImplicitFunction() = default;
    virtual double at(double x, double y) = 0;
};

struct ImplicitGrid {
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
    double yMax = 0;
    std::size_t columns = 1;  // cells along x
    std::size_t rows = 1;     // cells along y
};

// The grid of a window [xMin, xMax] x [yMin, yMax] (min < max) with square cells of
// `cellSize` when above 0, else `cells` along the longer side: the count of cells along
// each side. Cells along a side are at least 1.
ImplicitGrid implicitGrid(double xMin, double xMax, double yMin, double yMax, int cells, double cellSize);

// The nodes a grid evaluates: (columns + 1) * (rows + 1), as a long double so that a
// huge window never overflows.
long double gridNodes(double xMin, double xMax, double yMin, double yMax, int cells, double cellSize);

struct ImplicitLimits {
    double tolerance = 1e-3;              // drawing units, finite and above 0
    std::size_t maxSamples = 10'000'000;  // vertices of the whole curve
    // Evaluate F at every node of the grid rather than coarse to fine (the same branches
    // are found either way: this is the reference to compare with).
    bool everyNode = false;
};

struct ImplicitOutcome {
    std::size_t evaluations = 0;
    std::size_t branches = 0;   // traced runs, before closed ones were counted as loops
    bool capped = false;        // the vertex limit stopped tracing
};

// Appends to `out` one run per branch, separated by one point whose coordinates are NaN
// (none at either end), z 0. A closed branch repeats its first vertex at its end. Every
// vertex lies within tolerance / 10 of the curve (by |F| / |grad F|) and every chord
// within the tolerance of it. Reports one progress position per grid row.
ImplicitOutcome traceImplicit(ImplicitFunction& f, const ImplicitGrid& grid, const ImplicitLimits& limits,
                              CurvePoints& out, SampleProgress& progress);

} // namespace plotwright::curve
