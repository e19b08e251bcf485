#include "ui/preview_sampler.h"

#include "curve/curve_sampler.h"
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

class DrawSampler final : public PreviewSampler {
public:
    PreviewSamples sample(const CEquation& equation, const std::atomic<bool>& cancelled) const override
    {
        CancellingProgress progress(cancelled);
        const curve::SampleResult result = curve::sampleCurve(equation, {0, 0, 0}, {}, &progress);
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
        for (const CurvePoint& p : result.points)
            out.points.push_back({p.x, p.y});
        return out;
    }
};

} // namespace

std::unique_ptr<PreviewSampler> makeDrawSampler()
{
    return std::make_unique<DrawSampler>();
}

} // namespace plotwright::ui
