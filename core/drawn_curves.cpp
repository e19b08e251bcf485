#include "core/drawn_curves.h"

#include "db/database.h"
#include "core/curve_data.h"
#include "curve/geometry_digest.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <charconv>
#include <cmath>

namespace plotwright::core {

std::string handleText(AcDbHandle handle)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, handle, 16);
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::vector<DrawnCurve> drawnCurves(const AcDbDatabase& database)
{
    std::vector<DrawnCurve> curves;
    std::unordered_map<std::string, std::size_t> byId;
    database.forEachEntity([&](const AcDbEntity& entity) {
        std::optional<curve::CurveDefinition> definition = core::curveDefinitionOf(entity);
        if (!definition)
            return;
        const auto [it, added] = byId.emplace(definition->curveId, curves.size());
        if (added)
            curves.push_back({definition->curveId, {}});
        curves[it->second].pieces.push_back({&entity, std::move(*definition)});
    });
    for (DrawnCurve& c : curves)
        std::stable_sort(c.pieces.begin(), c.pieces.end(), [](const DrawnPiece& a, const DrawnPiece& b) {
            return a.definition.pieceIndex < b.definition.pieceIndex;
        });
    return curves;
}

namespace {

CurvePoint minus(const CurvePoint& a, const CurvePoint& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// Equal but for the rounding of adding a shift to coordinates of magnitude `scale`.
bool near(double a, double b, double scale) { return std::fabs(a - b) <= 1e-9 * (1.0 + scale); }

bool nearPoint(const CurvePoint& a, const CurvePoint& b, double scale)
{
    return near(a.x, b.x, scale) && near(a.y, b.y, scale) && near(a.z, b.z, scale);
}

double magnitude(const CurvePoint& p) { return std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}); }

} // namespace

CurveState curveState(const DrawnCurve& curve)
{
    CurveState state;
    const auto edited = [&](std::string reason) {
        state.kind = CurveState::edited;
        state.reason = std::move(reason);
        return state;
    };
    const std::uint32_t count = curve.definition().pieceCount;
    if (curve.pieces.size() != count)
        return edited("it has " + std::to_string(curve.pieces.size()) + " pieces where " + std::to_string(count) +
                      (count == 1 ? " was" : " were") + " drawn");
    bool haveShift = false;
    CurvePoint shift;
    double scale = 0.0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const DrawnPiece& piece = curve.pieces[i];
        const std::string which = "piece " + handleText(piece.entity->handle());
        if (piece.definition.pieceIndex != i)
            return edited(which + " is a copy of another piece");
        const std::optional<curve::PieceFingerprint> now = core::pieceFingerprint(*piece.entity);
        const curve::PieceFingerprint& then = piece.definition.fingerprint;
        if (!now || now->vertexCount != then.vertexCount)
            return edited(which + " has another number of vertices");
        const CurvePoint firstShift = minus(now->first, then.first);
        const CurvePoint lastShift = minus(now->last, then.last);
        scale = std::max({scale, magnitude(now->first), magnitude(now->last), magnitude(then.first),
                          magnitude(then.last)});
        if (!haveShift) {
            shift = firstShift;
            haveShift = true;
        }
        if (!nearPoint(firstShift, shift, scale) || !nearPoint(lastShift, shift, scale))
            return edited(which + " was changed");
        // Definitions kept before the digest compare the ends alone.
        const double reach = std::max(scale, now->magnitude + magnitude(shift));
        if (!then.digest.empty() && !curve::sameDigest(then.digest, now->digest, reach, then.vertexCount))
            return edited(which + " was changed");
    }
    if (shift.x == 0.0 && shift.y == 0.0 && shift.z == 0.0)
        return state;
    // Curves lie at elevation 0: a move out of that plane cannot be drawn again.
    if (!near(shift.z, 0.0, scale))
        return edited("it was moved off its plane");
    state.kind = CurveState::moved;
    state.shift = {shift.x, shift.y, 0.0};
    return state;
}

} // namespace plotwright::core

namespace plotwright::core {

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

const DrawnCurve* findDrawnCurve(const std::vector<DrawnCurve>& curves, const std::string& key)
{
    const std::string wanted = upper(key);
    for (const DrawnCurve& c : curves) {
        if (upper(c.id) == wanted)
            return &c;
        for (const DrawnPiece& p : c.pieces)
            if (handleText(p.entity->handle()) == wanted)
                return &c;
    }
    return nullptr;
}

bool isDrawnCurvePiece(const AcDbDatabase& database, AcDbHandle handle)
{
    AcDbObjectId id;
    if (handle == 0 || database.getAcDbObjectId(id, false, handle) != Acad::eOk)
        return false;
    AcDbEntity* opened = nullptr;
    if (acdbOpenAcDbEntity(opened, id, AcDb::kForRead) != Acad::eOk)
        return false;
    const bool drawn = curveDefinitionOf(*opened).has_value();
    opened->close();
    return drawn;
}

std::optional<DrawnCurve> drawnCurveWithId(const AcDbDatabase& database, const std::string& curveId)
{
    std::vector<DrawnCurve> curves = drawnCurves(database);
    for (DrawnCurve& c : curves)
        if (c.id == curveId)
            return std::move(c);
    return std::nullopt;
}

} // namespace plotwright::core
