#pragma once
// What the curve preview asks of a sampler: the curve's points at origin (0, 0), given
// up as soon as `cancelled` turns true. An interface, so that the preview does not
// depend on how the points are made.

#include "curve/curve_options.h"

#include <QRectF>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class CEquation;

namespace plotwright::ui {

struct PreviewPoint {
    double x = 0;
    double y = 0;
    double z = 0;  // a space curve's height; 0 for the plane kinds
};

struct PreviewSamples {
    enum class Status { Done, Cancelled, Failed };
    Status status = Status::Done;
    QString message;                   // why it failed
    std::vector<PreviewPoint> points;  // as the draw would place them around (0, 0)
    // The vertices the draw writes, when the options make them differ from the points
    // (arcs, spline, closed outlines); 0: one per point.
    std::size_t vertices = 0;
    // Done, but not one point is finite: the draw would add nothing.
    bool noDefinedPoint = false;
    // A space curve: the points' z counts.
    bool space = false;
    // An implicit curve's window (around the origin); null for the other kinds.
    QRectF window = QRectF();
};

// What the preview says of a curve none of whose `samples` points is defined.
QString noDefinedPointMessage(std::size_t samples);

class PreviewSampler {
public:
    virtual ~PreviewSampler() = default;
    // Called on a worker thread with the worker's own copy of the curve.
    virtual PreviewSamples sample(const CEquation& equation, const std::atomic<bool>& cancelled) const = 0;
};

// Samples with the draw's own sampler, so the preview shows the points the draw will
// place and counts the vertices it writes; non-finite points are kept. With options other than the defaults, the points
// are those of the shapes written (arcs traced, a spline through its fit points), each
// piece ended by a point that is not finite.
std::unique_ptr<PreviewSampler> makeDrawSampler(const plotwright::curve::CurveOptions& options = {});

} // namespace plotwright::ui
