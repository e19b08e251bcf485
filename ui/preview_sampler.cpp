#include "ui/preview_sampler.h"

#include "curve/curve_pieces.h"
#include "curve/curve_sampler.h"
#include "curve/curve_shape.h"
#include "curve/sample_progress.h"
#include "model/equation.h"

#include <cmath>
#include <stdexcept>

namespace plotwright::ui {
namespace {

// Thrown from the progress report to stop the sampler when the preview's job is
// superseded; the sampler turns it into a failure, which the caller then reads as a
// cancellation.
struct Superseded : std::runtime_error {
    Superseded() : std::runtime_error("superseded") {}
};

class CancellingProgress final : public curve::SampleProgress {
public:
    explicit CancellingProgress(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
    void step(int position) override
    {
        // A look at the flag every few thousand samples keeps its cost out of sight.
        if ((position & 4095) == 0 && cancelled_.load(std::memory_order_relaxed))
            throw Superseded();
    }

private:
    const std::atomic<bool>& cancelled_;
};

// Traces a piece as written: chords, arcs (bulges) followed in steps, or the spline
// through its fit points; a closed piece comes back to its start.
void tracePiece(const curve::CurvePiece& piece, std::vector<PreviewPoint>& out)
{
    const CurvePoints& p = piece.points;
    const std::size_t n = p.size();
    const std::size_t segments = piece.closed ? n : (n == 0 ? 0 : n - 1);
    if (n > 0)
        out.push_back({p[0].x, p[0].y, p[0].z});
    for (std::size_t i = 0; i < segments; ++i) {
        const CurvePoint& a = p[i];
        const CurvePoint& b = p[(i + 1) % n];
        const double bulge = piece.bulges.empty() ? 0.0 : piece.bulges[i];
        if (bulge != 0.0) {
            // The arc from a to b whose included angle is 4 atan(bulge).
            const double angle = 4 * std::atan(bulge);
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double chord = std::hypot(dx, dy);
            const double radius = chord / (2 * std::sin(angle / 2));
            const double toCentre = radius * std::cos(angle / 2);
            const double cx = (a.x + b.x) / 2 - dy / chord * toCentre;
            const double cy = (a.y + b.y) / 2 + dx / chord * toCentre;
            const double start = std::atan2(a.y - cy, a.x - cx);
            constexpr int kSteps = 12;
            for (int k = 1; k < kSteps; ++k) {
                const double t = start + angle * k / kSteps;
                out.push_back({cx + std::abs(radius) * std::cos(t), cy + std::abs(radius) * std::sin(t)});
            }
        }
        out.push_back({b.x, b.y, b.z});
    }
}

class DrawSampler final : public PreviewSampler {
public:
    explicit DrawSampler(const curve::CurveOptions& options) : options_(options) {}

    PreviewSamples sample(const CEquation& equation, const std::atomic<bool>& cancelled) const override
    {
        PreviewSamples out = sampleAll(equation, cancelled);
        out.space = equation.GetType() == SpaceCurve;
        if (equation.GetType() == ImplicitCurve) {
            const ImplicitWindow& w = equation.GetWindow();
            out.window = QRectF(QPointF(w.xMin, w.yMin), QPointF(w.xMax, w.yMax));
        }
        return out;
    }

private:
    PreviewSamples sampleAll(const CEquation& equation, const std::atomic<bool>& cancelled) const
    {
        CancellingProgress progress(cancelled);
        if (options_ == curve::CurveOptions{}) {
            const curve::SampleResult sampled = curve::sampleCurve(equation, {0, 0, 0}, {}, &progress);
            PreviewSamples out = fromSamples(sampled, cancelled);
            if (out.status == PreviewSamples::Status::Done && !out.noDefinedPoint)
                out.vertices = drawnVertices(sampled.points);
            return out;
        }
        const curve::ShapedCurve shaped = curve::shapeCurve(equation, {0, 0, 0}, options_, &progress);
        PreviewSamples out = fromSamples(shaped.sampled, cancelled);
        if (out.status != PreviewSamples::Status::Done || out.noDefinedPoint)
            return out;
        out.points.clear();
        const double gap = std::nan("");
        for (const curve::CurvePiece& piece : shaped.pieces) {
            if (!out.points.empty())
                out.points.push_back({gap, gap});
            tracePiece(piece, out.points);
            out.vertices += piece.spline.controlPoints.empty() ? piece.points.size() : piece.spline.controlPoints.size();
        }
        return out;
    }

    static PreviewSamples fromSamples(const curve::SampleResult& result, const std::atomic<bool>& cancelled)
    {
        if (cancelled.load())
            return {PreviewSamples::Status::Cancelled, {}, {}};
        PreviewSamples out;
        switch (result.status) {
        case curve::SampleStatus::Done:
            break;
        case curve::SampleStatus::InvalidParameters:
        case curve::SampleStatus::TooManySamples:
            return {PreviewSamples::Status::Failed, QStringLiteral("Invalid parameter(s) provided!"), {}};
        case curve::SampleStatus::ErrorInEquation:
            return {PreviewSamples::Status::Failed, QString::fromStdWString(result.message), {}};
        }
        out.points.reserve(result.points.size());
        bool defined = false;
        for (const CurvePoint& p : result.points) {
            out.points.push_back({p.x, p.y, p.z});
            defined = defined || (std::isfinite(p.x) && std::isfinite(p.y));
        }
        if (!defined && !out.points.empty()) {
            out.noDefinedPoint = true;
            out.message = noDefinedPointMessage(out.points.size());
        }
        return out;
    }

    // The vertices the draw writes with the default options: the finite points, less
    // the last one of each run that closes on its start (curve::shapeCurve's rule).
    static std::size_t drawnVertices(const CurvePoints& points)
    {
        const double closeDistance = curve::kCloseShare * curve::curveExtent(points);
        std::size_t vertices = 0;
        for (const curve::CurvePiece& piece : curve::splitRuns(points, closeDistance))
            vertices += piece.points.size();
        return vertices;
    }

    curve::CurveOptions options_;
};

} // namespace

QString noDefinedPointMessage(std::size_t samples)
{
    return QStringLiteral("No point of the curve is defined: none of its %1 samples is a finite number, "
                          "so nothing would be drawn.")
        .arg(samples);
}

std::unique_ptr<PreviewSampler> makeDrawSampler(const curve::CurveOptions& options)
{
    return std::make_unique<DrawSampler>(options);
}

} // namespace plotwright::ui
