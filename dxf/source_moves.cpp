#include "dxf/source_moves.h"

#include <cmath>
#include <string_view>

#include "db/access.h"
#include "db/database.h"
#include "dxf/output.h"
#include "dxf/scan.h"
#include "dxf/source.h"
#include "dxf/source_edits.h"

namespace plotwright::dxf {

namespace {

// What a group's value is, by record type and code: the x of a point (y and z follow
// at +10 and +20), the x of a direction, a length (radius, width, thickness, elevation),
// an arc's start or end angle (degrees), an ellipse's start or end parameter (radians),
// a bulge. Everything else stays as it is.
enum class Role { none, point, vector, length, angleStart, angleEnd, paramStart, paramEnd, bulge };

struct RecordRoles {
    bool known = false;     // a record a save can patch at all
    bool turnable = false;  // ... for turns, scales and mirrors as well as moves
    Role (*of)(int code) = nullptr;
};

Role lineRole(int c) { return c == 10 || c == 11 ? Role::point : c == 39 ? Role::length : Role::none; }
Role pointRole(int c) { return c == 10 ? Role::point : c == 39 ? Role::length : Role::none; }
Role circleRole(int c) { return c == 10 ? Role::point : c == 39 || c == 40 ? Role::length : Role::none; }
Role arcRole(int c)
{
    return c == 50 ? Role::angleStart : c == 51 ? Role::angleEnd : circleRole(c);
}
Role ellipseRole(int c)
{
    return c == 10 ? Role::point : c == 11 ? Role::vector : c == 41 ? Role::paramStart : c == 42 ? Role::paramEnd : Role::none;
}
Role lwpolylineRole(int c)
{
    return c == 10 ? Role::point : c == 38 || c == 39 || c == 40 || c == 41 || c == 43 ? Role::length
         : c == 42 ? Role::bulge : Role::none;
}
// The head's point is a place holder whose z is the elevation.
Role polylineRole(int c) { return c == 30 || c == 39 || c == 40 || c == 41 ? Role::length : Role::none; }
Role vertexRole(int c) { return c == 10 ? Role::point : c == 40 || c == 41 ? Role::length : c == 42 ? Role::bulge : Role::none; }
Role splineRole(int c) { return c == 10 || c == 11 ? Role::point : c == 12 || c == 13 ? Role::vector : Role::none; }
// Moves only: the insertion and alignment points.
Role textRole(int c) { return c == 10 || c == 11 ? Role::point : Role::none; }
Role insertionRole(int c) { return c == 10 ? Role::point : Role::none; }
Role noRole(int) { return Role::none; }

RecordRoles rolesOf(std::string_view type)
{
    if (type == "LINE")
        return {true, true, lineRole};
    if (type == "POINT")
        return {true, true, pointRole};
    if (type == "CIRCLE")
        return {true, true, circleRole};
    if (type == "ARC")
        return {true, true, arcRole};
    if (type == "ELLIPSE")
        return {true, true, ellipseRole};
    if (type == "LWPOLYLINE")
        return {true, true, lwpolylineRole};
    if (type == "POLYLINE")
        return {true, true, polylineRole};
    if (type == "VERTEX")
        return {true, true, vertexRole};
    if (type == "SEQEND")
        return {true, true, noRole};
    if (type == "SPLINE")
        return {true, true, splineRole};
    if (type == "TEXT" || type == "ATTRIB")
        return {true, false, textRole};
    if (type == "MTEXT" || type == "INSERT")
        return {true, false, insertionRole};
    return {};
}

std::string_view recordType(const DxfSource& source, const DxfSource::SourceSpan& span)
{
    detail::DxfPairScanner scanner(source.text, span.begin);
    detail::DxfPair pair;
    if (scanner.next(pair) != detail::DxfPairScanner::Step::pair || pair.code != 0)
        return {};
    return detail::trimmed(pair.value);
}

double degreesOf(const AcDbPlacement& by)
{
    // A quarter turn reads 90, not 90.00000000000001.
    const double degrees = by.angle() * (180.0 / M_PI);
    const double whole = std::round(degrees);
    return std::fabs(degrees - whole) < 1e-9 ? whole : degrees;
}

double withinTurn(double value, double full)
{
    value = std::fmod(value, full);
    return value < 0.0 ? value + full : value;
}

// The values of one record (a POLYLINE's VERTEX is a record of its own) on their way
// to patches: a point's x waits for its y, an arc's start angle for its end.
class RecordPatcher {
public:
    RecordPatcher(const AcDbPlacement& by, std::vector<detail::TextPatch>& patches) : by_(by), patches_(patches) {}

    void start(Role (*roles)(int)) { finish(), roles_ = roles; }

    void feed(const detail::DxfPair& pair)
    {
        if (!roles_)
            return;
        double value = 0.0;
        const Role role = roleOf(pair.code);
        if (role == Role::none || !detail::parseDouble(detail::trimmed(pair.value), value))
            return;
        const Value v{pair.valueOffset, pair.value.size(), value};
        const int axis = axisOf(pair.code);
        switch (role) {
        case Role::point:
        case Role::vector:
            if (axis == 0) {
                x_ = v;
                haveX_ = true;
            } else if (axis == 1 && haveX_) {
                haveX_ = false;
                const AcGePoint2d p{x_.value, v.value};
                const AcGeVector3d turned = by_.applyLinear({p.x, p.y, 0.0});
                const AcGePoint2d q = role == Role::point ? by_.apply(p) : AcGePoint2d{turned.x, turned.y};
                put(x_, q.x);
                put(v, q.y);
            } else if (axis == 2) {
                put(v, v.value * by_.scale());
            }
            break;
        case Role::length:
            put(v, v.value * by_.scale());
            break;
        case Role::bulge:
            put(v, by_.mirrors() ? -v.value : v.value);
            break;
        case Role::angleStart:
            angles_[0] = v;
            haveAngle_[0] = true;
            break;
        case Role::angleEnd:
            angles_[1] = v;
            haveAngle_[1] = true;
            break;
        case Role::paramStart:
            params_[0] = v;
            haveParam_[0] = true;
            break;
        case Role::paramEnd:
            params_[1] = v;
            haveParam_[1] = true;
            break;
        case Role::none:
            break;
        }
    }

    // Patches the angles and parameters that wait for each other.
    void finish()
    {
        // A move leaves angles as they are written (an arc from -90 to 90 stays so).
        if (haveAngle_[0] && haveAngle_[1] && !by_.isTranslation()) {
            const double turn = degreesOf(by_);
            const double start = withinTurn(by_.mirrors() ? turn - angles_[1].value : turn + angles_[0].value, 360.0);
            const double end = withinTurn(by_.mirrors() ? turn - angles_[0].value : turn + angles_[1].value, 360.0);
            put(angles_[0], start);
            put(angles_[1], end);
        }
        if (haveParam_[0] && haveParam_[1] && by_.mirrors()) {
            const double start = 2.0 * M_PI - params_[1].value;
            const double end = 2.0 * M_PI - params_[0].value;
            put(params_[0], start);
            put(params_[1], end);
        }
        haveX_ = haveAngle_[0] = haveAngle_[1] = haveParam_[0] = haveParam_[1] = false;
        roles_ = nullptr;
    }

private:
    struct Value {
        std::size_t offset = 0;
        std::size_t length = 0;
        double value = 0.0;
    };

    // Point and vector groups come as x (code), y (code + 10), z (code + 20).
    static int axisOf(int code) { return code >= 10 && code < 40 ? (code - 10) / 10 : -1; }
    Role roleOf(int code) const
    {
        const int axis = axisOf(code);
        if (axis > 0) {
            const Role first = roles_(code - 10 * axis);
            if (first == Role::point || first == Role::vector)
                return first;
        }
        return roles_(code);
    }

    // Only values that change are rewritten.
    void put(const Value& v, double value)
    {
        if (value != v.value)
            patches_.push_back({v.offset, v.length, detail::formatReal(value)});
    }

    const AcDbPlacement& by_;
    std::vector<detail::TextPatch>& patches_;
    Role (*roles_)(int) = nullptr;
    Value x_;
    bool haveX_ = false;
    Value angles_[2], params_[2];
    bool haveAngle_[2] = {false, false}, haveParam_[2] = {false, false};
};

void patchRecord(const DxfSource& source, const DxfSource::SourceSpan& span, const AcDbPlacement& by,
                 std::vector<detail::TextPatch>& patches)
{
    detail::DxfPairScanner scanner(source.text, span.begin);
    detail::DxfPair pair;
    RecordPatcher patcher(by, patches);
    bool embedded = false;
    while (scanner.position() < span.end && scanner.next(pair) == detail::DxfPairScanner::Step::pair) {
        if (pair.code == 0) {
            const RecordRoles roles = rolesOf(detail::trimmed(pair.value));
            patcher.start(roles.known && (roles.turnable || by.isTranslation()) ? roles.of : nullptr);
            embedded = false;
            continue;
        }
        // MTEXT of newer files embeds an object with points of its own after group 101.
        if (pair.code == 101)
            embedded = true;
        if (!embedded)
            patcher.feed(pair);
    }
    patcher.finish();
}

} // namespace

bool canPlaceInSource(const AcDbDatabase& database, const AcDbEntity& entity, const AcDbPlacement& placement)
{
    const DxfSource::SourceSpan* span = sourceSpanOf(database, entity);
    if (!span)
        return true;
    const RecordRoles roles = rolesOf(recordType(*dxfSourceOf(database), *span));
    return roles.known && (roles.turnable || placement.isTranslation());
}

void detail::patchMovedEntities(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches)
{
    for (const AcDbBlockTableRecord* record : db::detail::DatabaseAccess::records(db)) {
        for (const AcDbEntity* e : db::detail::DatabaseAccess::entities(*record)) {
            if (e->isErased() || !e->isFromFile() || e->placement().isIdentity())
                continue;
            const auto span = source.entitySpans.find(e);
            if (span != source.entitySpans.end())
                patchRecord(source, span->second, e->placement(), patches);
        }
    }
}

} // namespace plotwright::dxf
