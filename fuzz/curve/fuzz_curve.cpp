// Feeds arbitrary expressions and names through SampleCurve over a short range, both
// interpreted and compiled to machine code: the samples must be the same bits.
// Input: byte 0 the curve type (0..4), byte 1 the number of steps (0..99), byte 2 a
// constant's value, then newline-separated fields: equationy, equationx, the running
// variable's name, and up to three constant names. Bytes become characters one to one,
// so bytes above 0x7F give non-ASCII text.
#include "curve/native_code.h"
#include "draw/sample_curve.h"
#include "model/equation.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> splitFields(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::wstring> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            fields.emplace_back();
        else
            fields.back().push_back(static_cast<wchar_t>(data[i]));
    }
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int type = data[0] % 5;
    const int steps = data[1] % 100;
    const double value = (static_cast<int>(data[2]) - 128) / 8.0;
    std::vector<std::wstring> fields = splitFields(data + 3, size - 3);
    fields.resize(std::max<std::size_t>(fields.size(), 3));

    CEquation equation;
    equation.SetType(type);
    equation.SetEquationY(fields[0]);
    equation.SetEquationX(fields[1]);
    // Bounds 0..100 allow an empty range (steps 0 gives a single sample at 0).
    equation.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = fields[2], .type = RunningVariable, .increment = 0.5, .minSet = 0, .maxSet = 100,
        .minValue = 0, .maxValue = steps * 0.5}));
    for (std::size_t i = 3; i < fields.size() && i < 6; ++i)
        equation.AddParameter(std::make_shared<CEquationParameter>(
            ParameterFields{.name = fields[i], .type = Constant, .value = value + static_cast<double>(i)}));

    const ads_point origin = {1, 2, 3};
    plotwright::curve::setNativeCodeEnabled(false);
    const CurvePoints interpreted = SampleCurve(equation, origin);
    plotwright::curve::setNativeCodeEnabled(true);
    const CurvePoints points = SampleCurve(equation, origin);
    // NaN against NaN by bits, as every other value.
    if (points.size() != interpreted.size()
        || (!points.empty() && std::memcmp(points.data(), interpreted.data(), points.size() * sizeof(CurvePoint)) != 0))
        std::abort();
    // At most one point per sample, all in the drawing plane.
    if (points.size() > static_cast<std::size_t>(steps) + 1)
        std::abort();
    for (const CurvePoint& p : points)
        if (p.z != 0)
            std::abort();
    return 0;
}
