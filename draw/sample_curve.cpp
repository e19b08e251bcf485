#include "draw/sample_curve.h"

#include "curve/sampling_range.h"
#include "model/equation.h"

using plotwright::curve::SampleOptions;
using plotwright::curve::SampleResult;
using plotwright::curve::SampleStatus;

namespace {

constexpr const wchar_t* kInvalidParameters = L"Invalid parameter(s) provided!";
constexpr const wchar_t* kErrorInEquation = L"Error in equation";
constexpr const wchar_t* kMeterLabel = L"Draw...";

// The editor's status bar meter.
class MeterProgress : public plotwright::curve::SampleProgress {
public:
    void start(int maximum) override { acedSetStatusBarProgressMeter(kMeterLabel, 0, maximum); }
    void step(int position) override { acedSetStatusBarProgressMeterPos(position); }
    void finish() override { acedRestoreStatusBar(); }
};

bool knownKind(int kind) { return kind == ExplicitCartesian || kind == ParametricCartesian || kind == ExplicitPolar; }

} // namespace

SampleResult sampleCurveShowing(const CEquation& equation, const ads_point origin, const SampleOptions& options)
{
    MeterProgress meter;
    SampleResult result = plotwright::curve::sampleCurve(equation, {origin[0], origin[1], 0}, options, &meter);
    switch (result.status) {
    case SampleStatus::Done:
        break;
    case SampleStatus::InvalidParameters:
        AfxMessageBox(kInvalidParameters, MB_OK);
        break;
    case SampleStatus::TooManySamples:
        AfxMessageBox(plotwright::curve::tooManySamplesMessage(result.requestedSamples, plotwright::curve::kMaxSamples)
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        break;
    case SampleStatus::ErrorInEquation:
        // A curve of an unknown kind is silently not drawn.
        if (knownKind(equation.GetType()))
            acedAlert(kErrorInEquation);
        break;
    }
    return result;
}

CurvePoints SampleCurve(const CEquation& equation, const ads_point origin)
{
    return sampleCurveShowing(equation, origin, SampleOptions{}).points;
}
