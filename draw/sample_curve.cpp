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

bool knownKind(int kind)
{
    return kind == ExplicitCartesian || kind == ParametricCartesian || kind == ExplicitPolar || kind == SpaceCurve ||
           kind == ImplicitCurve;
}

// Where the sampler starts: a space curve rises from the origin's elevation, as on the
// command line; the plane kinds lie at 0.
CurvePoint startOf(const CEquation& equation, const ads_point origin)
{
    return {origin[0], origin[1], equation.GetType() == SpaceCurve ? origin[2] : 0.0};
}

} // namespace

namespace {

// Shows why sampling failed, as the editor always has.
void showFailure(const SampleResult& result, const CEquation& equation)
{
    switch (result.status) {
    case SampleStatus::Done:
        break;
    case SampleStatus::InvalidParameters:
        AfxMessageBox(kInvalidParameters, MB_OK);
        break;
    case SampleStatus::TooManySamples:
        // An implicit curve's grid says what it counted; the other kinds count their range.
        AfxMessageBox(result.message.empty() ? plotwright::curve::tooManySamplesMessage(result.requestedSamples,
                                                                                        plotwright::curve::kMaxSamples)
                                                   .c_str()
                                             : result.message.c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        break;
    case SampleStatus::ErrorInEquation:
        // A curve of an unknown kind is silently not drawn.
        if (knownKind(equation.GetType()))
            acedAlert(kErrorInEquation);
        break;
    }
}

} // namespace

SampleResult sampleCurveShowing(const CEquation& equation, const ads_point origin, const SampleOptions& options)
{
    // A kind the module does not know is silently not drawn, before the status bar is
    // touched, as it always was.
    if (!knownKind(equation.GetType())) {
        SampleResult nothing;
        nothing.status = SampleStatus::ErrorInEquation;
        return nothing;
    }
    MeterProgress meter;
    SampleResult result = plotwright::curve::sampleCurve(equation, startOf(equation, origin), options, &meter);
    showFailure(result, equation);
    return result;
}

plotwright::curve::ShapedCurve shapeCurveShowing(const CEquation& equation, const ads_point origin,
                                                 const plotwright::curve::CurveOptions& options,
                                                 plotwright::curve::KeepSamples keep)
{
    if (!knownKind(equation.GetType())) {
        plotwright::curve::ShapedCurve nothing;
        nothing.sampled.status = SampleStatus::ErrorInEquation;
        return nothing;
    }
    MeterProgress meter;
    plotwright::curve::ShapedCurve shaped =
        plotwright::curve::shapeCurve(equation, startOf(equation, origin), options, &meter, keep);
    showFailure(shaped.sampled, equation);
    return shaped;
}

CurvePoints SampleCurve(const CEquation& equation, const ads_point origin)
{
    return sampleCurveShowing(equation, origin, SampleOptions{}).points;
}
