// Curve definitions read from files anyone may have edited: the values of extended data
// or of an XRECORD of any content are decoded, listed and drawn again. Nothing may
// crash or hang; a definition that decodes must survive encoding unchanged.
//
// Input: byte 0 chooses the form (bit 0: XRECORD), the code page (bits 1-2) and how many
// polylines carry the values (bits 3-4); then lines of group code and value.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "curve/curve_definition.h"
#include "curve/sampling_range.h"
#include "db/database.h"
#include "db/polyline.h"
#include "draw/drawn_curves.h"
#include "draw/place_curve.h"
#include "core/curve_data.h"
#include "dxf/app_data.h"

namespace {

using namespace plotwright;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "curve data: %s\n", what);
    std::abort();
}

AcDbAppData readValues(std::string_view text, dxf::detail::AppDataReader::Form form, base::CodePage page)
{
    dxf::detail::AppDataReader reader(form);
    while (!text.empty()) {
        const auto codeEnd = text.find('\n');
        if (codeEnd == std::string_view::npos)
            break;
        const std::string_view codeLine = text.substr(0, codeEnd);
        text.remove_prefix(codeEnd + 1);
        const auto valueEnd = text.find('\n');
        const std::string_view value = text.substr(0, valueEnd);
        text = valueEnd == std::string_view::npos ? std::string_view() : text.substr(valueEnd + 1);
        int code = 0;
        if (std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), code).ec == std::errc())
            reader.feed(code, value, page);
    }
    return reader.take();
}

// Whether drawing the curve again stays cheap enough for a fuzz run: the product draws
// up to ten million samples, which is a user's choice, not a fault. A tolerance that is
// not a finite number above 0 must be refused at once, so those are drawn.
bool cheapToDraw(const curve::CurveDefinition& d)
{
    const bool validTolerance = d.options.tolerance && std::isfinite(*d.options.tolerance) && *d.options.tolerance > 0;
    if (validTolerance || d.equationY.size() + d.equationX.size() > 2000)
        return false;
    for (const ParameterFields& p : d.parameters) {
        if (p.type != RunningVariable)
            continue;
        const curve::SampleCount n = curve::countSamples({p.minValue, p.maxValue, p.increment}, 2000);
        if (n.status != curve::SampleCount::Ok)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    static const base::CodePage pages[] = {base::CodePage::windows1252, base::CodePage::windows1251,
                                           base::CodePage::windows932, base::CodePage::windows1252};
    const AcDbAppData values =
        readValues(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1),
                   (flags & 1) ? dxf::detail::AppDataReader::Form::xrecord : dxf::detail::AppDataReader::Form::xdata,
                   pages[(flags >> 1) & 3]);
    const std::optional<curve::CurveDefinition> decoded = core::decodeCurveData(values);
    if (!decoded)
        return 0;
    if (core::decodeCurveData(core::encodeCurveData(*decoded)) != decoded)
        fail("a decoded definition changes when encoded again");

    AcDbDatabase db;
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    const int copies = 1 + ((flags >> 3) & 3);
    for (int i = 0; i < copies; ++i) {
        auto polyline = std::make_unique<AcDbPolyline>();
        polyline->addVertexAt(0, {decoded->fingerprint.first.x, decoded->fingerprint.first.y});
        polyline->addVertexAt(1, {decoded->fingerprint.last.x + i, decoded->fingerprint.last.y});
        polyline->setAppData(values);
        AcDbObjectId id;
        if (AppendToModelSpace(polyline.get(), id) != Acad::eOk)
            fail("cannot append a polyline");
        polyline.release()->close();
    }
    const std::vector<draw::DrawnCurve> curves = draw::drawnCurves(db);
    if (curves.size() != 1 || curves.front().pieces.size() != static_cast<std::size_t>(copies))
        fail("the pieces are not listed as one curve");
    const draw::CurveState state = draw::curveState(curves.front());
    if (state.kind == draw::CurveState::edited && state.reason.empty())
        fail("an edited curve without a reason");
    if (cheapToDraw(*decoded)) {
        CEquationPtr equation = curve::equationOf(*decoded);
        DrawOutcome outcome;
        const bool drawn =
            draw::ReplaceDrawnCurve(curves.front(), *equation, decoded->options, decoded->origin, outcome);
        int shown = 0;
        db.forEachEntity([&](const AcDbEntity&) { ++shown; });
        if (!drawn && shown != copies)
            fail("a redraw that failed did not leave the old pieces");
        if (drawn && static_cast<std::size_t>(shown) != outcome.newIds.size())
            fail("a redraw left old pieces behind");
    }
    if (db.numOpenObjects() != 0)
        fail("an object was left open");
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    return 0;
}
