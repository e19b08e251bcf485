#pragma once
// Evaluates a curve definition into drawing points, showing the failures to the user.

#include "curve/curve_points.h"
#include "curve/curve_sampler.h"
#include "curve/curve_shape.h"
#include "host/editor.h"

class CEquation;

// Samples `equation` with the default options (plotwright::curve::sampleCurve: fixed
// steps from its running variable's start, ending exactly at its end) and returns the
// points offset by `origin` (whose z only a space curve uses: the other kinds lie at 0).
// Shows its own failures and returns what was sampled before them:
// - invalid parameters, a step that cannot advance the running value, or more than
//   plotwright::curve::kMaxSamples samples: a message box, before any progress is shown,
//   and no points;
// - a type other than 1 to 5: nothing shown, no points;
// - any failure of the expressions: the alert "Error in equation", and the points so far.
// Shows a "Draw..." progress meter while sampling. Throws nothing.
CurvePoints SampleCurve(const CEquation& equation, const ads_point origin);

// As SampleCurve, with `options`, and returns the whole outcome; shows the same texts.
plotwright::curve::SampleResult sampleCurveShowing(const CEquation& equation, const ads_point origin,
                                                   const plotwright::curve::SampleOptions& options);

// As sampleCurveShowing, then shaped into pieces (plotwright::curve::shapeCurve).
plotwright::curve::ShapedCurve shapeCurveShowing(
    const CEquation& equation, const ads_point origin, const plotwright::curve::CurveOptions& options,
    plotwright::curve::KeepSamples keep = plotwright::curve::KeepSamples::Yes);
