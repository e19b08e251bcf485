#include "dxf/entity_writer.h"

#include <cmath>
#include <numbers>
#include <string_view>

#include "db/entities.h"
#include "db/polyline.h"
#include "base/utf8_text.h"
#include "dxf/app_data.h"

namespace plotwright::dxf::detail {

std::string dxfValueText(const std::wstring& text, bool utf8, std::optional<base::CodePage> codePage)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c < 0x20) {
            out += '_';  // a value is one line
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (unsigned char b = 0; !utf8 && codePage && c >= 0xA0 && base::toCodePage(*codePage, wc, b)) {
            out += static_cast<char>(b);  // C1 controls and undefined bytes stay escaped
        } else if (!utf8) {
            static const char digits[] = "0123456789ABCDEF";
            out += "\\U+";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += digits[(c >> shift) & 0xF];
        } else {
            out += base::utf8FromWide(std::wstring_view(&wc, 1));
        }
    }
    return out;
}

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

void point(DxfOutput& out, int code, double x, double y, double z)
{
    out.real(code, x);
    out.real(code + 10, y);
    out.real(code + 20, z);
}

void normal(DxfOutput& out, const AcGeVector3d& n)
{
    if (n != AcGeVector3d::kZAxis())
        point(out, 210, n.x, n.y, n.z);
}

// 0/type, handle, extension dictionary, owner, AcDbEntity with space, layer and colour,
// then the subclass.
void head(DxfOutput& out, const char* type, const char* subclass, AcDbHandle handle, const AcDbEntity& entity,
          const EntityRecordStyle& style)
{
    out.pair(0, type);
    if (style.handles)
        out.handle(5, handle);
    if (style.extensionDictionary != 0) {
        out.pair(102, "{ACAD_XDICTIONARY");
        out.handle(360, style.extensionDictionary);
        out.pair(102, "}");
    }
    if (!style.legacy) {
        out.handle(330, style.owner);
        out.pair(100, "AcDbEntity");
    }
    if (style.paperSpace)
        out.integer(67, 1);
    out.pair(8, dxfValueText(entity.layer(), style.utf8, style.codePage));
    if (entity.colorIndex() != 256)
        out.integer(62, entity.colorIndex());
    if (!style.legacy && entity.trueColor() >= 0)
        out.integer(420, entity.trueColor());
    // A copy of an entity read from a file keeps how that entity was drawn.
    const AcDbEntityStyle& drawn = entity.style();
    if (!drawn.linetype.empty())
        out.pair(6, dxfValueText(drawn.linetype, style.utf8, style.codePage));
    if (!style.legacy && drawn.linetypeScale != 1.0)
        out.real(48, drawn.linetypeScale);
    if (drawn.invisible)
        out.integer(60, 1);
    if (!style.legacy && drawn.alpha != 255)
        out.integer(440, 0x02000000 | (drawn.alpha & 0xFF));
    if (!style.legacy && subclass)
        out.pair(100, subclass);
}

// The entity's application data as extended data, when that is where it goes: the last
// groups of the entity's own record.
void xdata(DxfOutput& out, const AcDbEntity& entity, const EntityRecordStyle& style)
{
    if (appDataForm(entity, style) == AppDataForm::xdata)
        writeAppXdata(out, entity.appData(), style.utf8);
}

void writeLwPolyline(DxfOutput& out, const AcDbPolyline& pl, const EntityRecordStyle& style)
{
    head(out, "LWPOLYLINE", "AcDbPolyline", pl.handle(), pl, style);
    out.integer(90, pl.numVerts());
    out.integer(70, pl.isClosed() ? 1 : 0);
    double constantWidth = 0.0;
    pl.getConstantWidth(constantWidth);
    if (constantWidth != 0.0)
        out.real(43, constantWidth);
    if (pl.elevation() != 0.0)
        out.real(38, pl.elevation());
    const bool bulges = pl.hasBulges();
    const bool widths = pl.hasWidths();
    const auto points = pl.points();
    for (unsigned int i = 0; i < points.size(); ++i) {
        out.real(10, points[i].x);
        out.real(20, points[i].y);
        if (widths) {
            // -1 means "the constant width": a reader wants the width itself.
            double start = 0.0, end = 0.0;
            pl.getWidthsAt(i, start, end);
            out.real(40, start == -1.0 ? constantWidth : start);
            out.real(41, end == -1.0 ? constantWidth : end);
        }
        if (bulges) {
            double bulge = 0.0;
            pl.getBulgeAt(i, bulge);
            if (bulge != 0.0)
                out.real(42, bulge);
        }
    }
    normal(out, pl.normal());
    xdata(out, pl, style);
}

// The records that follow a POLYLINE (VERTEX, SEQEND) belong to it: owned by the
// polyline, on its layer and in its space.
void subRecordHeader(DxfOutput& out, const char* type, const AcDbEntity& owner, const EntityRecordStyle& style,
                     AcDbHandle& nextHandle)
{
    out.pair(0, type);
    if (style.handles)
        out.handle(5, nextHandle++);
    if (!style.legacy) {
        out.handle(330, owner.handle());
        out.pair(100, "AcDbEntity");
    }
    if (style.paperSpace)
        out.integer(67, 1);
    out.pair(8, dxfValueText(owner.layer(), style.utf8, style.codePage));
}

void vertex(DxfOutput& out, const AcDbEntity& owner, const EntityRecordStyle& style, AcDbHandle& nextHandle,
            const char* subclass, double x, double y, double z, int flags)
{
    subRecordHeader(out, "VERTEX", owner, style, nextHandle);
    if (!style.legacy) {
        out.pair(100, "AcDbVertex");
        out.pair(100, subclass);
    }
    point(out, 10, x, y, z);
    if (flags != 0)
        out.integer(70, flags);
}

void seqend(DxfOutput& out, const AcDbEntity& owner, const EntityRecordStyle& style, AcDbHandle& nextHandle)
{
    subRecordHeader(out, "SEQEND", owner, style, nextHandle);
}

// R12 has no LWPOLYLINE: the same polyline as POLYLINE, one VERTEX per vertex, SEQEND.
void writeLegacyPolyline(DxfOutput& out, const AcDbPolyline& pl, const EntityRecordStyle& style,
                         AcDbHandle& nextHandle)
{
    head(out, "POLYLINE", "AcDb2dPolyline", pl.handle(), pl, style);
    out.integer(66, 1);
    point(out, 10, 0.0, 0.0, pl.elevation());
    out.integer(70, pl.isClosed() ? 1 : 0);
    double constantWidth = 0.0;
    pl.getConstantWidth(constantWidth);
    if (constantWidth != 0.0) {
        out.real(40, constantWidth);
        out.real(41, constantWidth);
    }
    normal(out, pl.normal());
    xdata(out, pl, style);
    const auto points = pl.points();
    for (unsigned int i = 0; i < points.size(); ++i) {
        vertex(out, pl, style, nextHandle, "AcDb2dVertex", points[i].x, points[i].y, pl.elevation(), 0);
        double start = -1.0, end = -1.0, bulge = 0.0;
        pl.getWidthsAt(i, start, end);
        pl.getBulgeAt(i, bulge);
        if (start != -1.0)
            out.real(40, start);
        if (end != -1.0)
            out.real(41, end);
        if (bulge != 0.0)
            out.real(42, bulge);
    }
    seqend(out, pl, style, nextHandle);
}

void write3dPolyline(DxfOutput& out, const AcDb3dPolyline& pl, const EntityRecordStyle& style,
                     AcDbHandle& nextHandle)
{
    head(out, "POLYLINE", "AcDb3dPolyline", pl.handle(), pl, style);
    out.integer(66, 1);
    point(out, 10, 0.0, 0.0, 0.0);
    out.integer(70, 8 | (pl.isClosed() ? 1 : 0));
    xdata(out, pl, style);
    for (const AcGePoint3d& p : pl.vertices())
        vertex(out, pl, style, nextHandle, "AcDb3dPolylineVertex", p.x, p.y, p.z, 32);
    seqend(out, pl, style, nextHandle);
}

bool finite(const AcGePoint3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool finite(const AcGeVector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Display density of a spline written to R12, which has no SPLINE: a 3-D polyline.
constexpr int kLegacySplinePerSpan = 16;

// SPLINE (R2000 on): planar (flag 8), knots, control points, then the fit points. A
// closed spline is clamped like an open one whose ends meet, so it carries no closed flag
// (that flag means a periodic knot vector to readers).
void writeSpline(DxfOutput& out, const AcDbSpline& sp, const EntityRecordStyle& style, AcDbHandle& nextHandle)
{
    if (style.legacy) {
        head(out, "POLYLINE", "AcDb3dPolyline", sp.handle(), sp, style);
        out.integer(66, 1);
        point(out, 10, 0.0, 0.0, 0.0);
        out.integer(70, 8);
        xdata(out, sp, style);
        for (const AcGePoint3d& p : sp.samplePoints(kLegacySplinePerSpan))
            vertex(out, sp, style, nextHandle, "AcDb3dPolylineVertex", p.x, p.y, p.z, 32);
        seqend(out, sp, style, nextHandle);
        return;
    }
    head(out, "SPLINE", "AcDbSpline", sp.handle(), sp, style);
    point(out, 210, 0.0, 0.0, 1.0);
    out.integer(70, 8);
    out.integer(71, sp.degree());
    out.integer(72, static_cast<int>(sp.knots().size()));
    out.integer(73, static_cast<int>(sp.controlPoints().size()));
    out.integer(74, static_cast<int>(sp.fitPoints().size()));
    out.real(42, 1e-10);
    out.real(43, 1e-10);
    if (!sp.fitPoints().empty())
        out.real(44, 1e-10);
    for (double k : sp.knots())
        out.real(40, k);
    for (const AcGePoint3d& p : sp.controlPoints())
        point(out, 10, p.x, p.y, p.z);
    for (const AcGePoint3d& p : sp.fitPoints())
        point(out, 11, p.x, p.y, p.z);
    xdata(out, sp, style);
}

void writeRecord(DxfOutput& out, const AcDbEntity& entity, const EntityRecordStyle& style, AcDbHandle& nextHandle);
AcDbHandle extraRecordHandles(const AcDbEntity& entity, const EntityRecordStyle& style);

} // namespace

AppDataForm appDataForm(const AcDbEntity& entity, const EntityRecordStyle& style)
{
    if (entity.appData().empty())
        return AppDataForm::none;
    if (style.xdata && appDataFitsXdata(entity.appData(), style.utf8))
        return AppDataForm::xdata;
    // R12 knows no OBJECTS section, and an extension dictionary needs handles.
    if (style.xrecords && !style.legacy && style.handles)
        return AppDataForm::xrecord;
    return AppDataForm::none;
}

void writeEntity(DxfOutput& out, const AcDbEntity& entity, const EntityRecordStyle& recordStyle,
                 AcDbHandle& nextHandle)
{
    EntityRecordStyle style = recordStyle;
    style.extensionDictionary = 0;
    if (appDataForm(entity, style) == AppDataForm::xrecord) {
        AppDataRecord record{&entity, nextHandle, nextHandle + 1};
        nextHandle += 2;
        style.extensionDictionary = record.dictionary;
        style.xrecords->push_back(record);
    }
    writeRecord(out, entity, style, nextHandle);
}

namespace {

void writeRecord(DxfOutput& out, const AcDbEntity& entity, const EntityRecordStyle& style, AcDbHandle& nextHandle)
{
    switch (entity.kind()) {
    case AcDbEntity::Kind::kPolyline: {
        const auto& pl = static_cast<const AcDbPolyline&>(entity);
        if (style.legacy)
            writeLegacyPolyline(out, pl, style, nextHandle);
        else
            writeLwPolyline(out, pl, style);
        return;
    }
    case AcDbEntity::Kind::k3dPolyline:
        write3dPolyline(out, static_cast<const AcDb3dPolyline&>(entity), style, nextHandle);
        return;
    case AcDbEntity::Kind::kSpline:
        writeSpline(out, static_cast<const AcDbSpline&>(entity), style, nextHandle);
        return;
    case AcDbEntity::Kind::kLine: {
        const auto& line = static_cast<const AcDbLine&>(entity);
        head(out, "LINE", "AcDbLine", line.handle(), line, style);
        point(out, 10, line.startPoint().x, line.startPoint().y, line.startPoint().z);
        point(out, 11, line.endPoint().x, line.endPoint().y, line.endPoint().z);
        xdata(out, line, style);
        return;
    }
    case AcDbEntity::Kind::kPoint: {
        const auto& p = static_cast<const AcDbPoint&>(entity);
        head(out, "POINT", "AcDbPoint", p.handle(), p, style);
        point(out, 10, p.position().x, p.position().y, p.position().z);
        xdata(out, p, style);
        return;
    }
    case AcDbEntity::Kind::kCircle: {
        const auto& c = static_cast<const AcDbCircle&>(entity);
        head(out, "CIRCLE", "AcDbCircle", c.handle(), c, style);
        point(out, 10, c.center().x, c.center().y, c.center().z);
        out.real(40, c.radius());
        normal(out, c.normal());
        xdata(out, c, style);
        return;
    }
    case AcDbEntity::Kind::kArc: {
        const auto& a = static_cast<const AcDbArc&>(entity);
        head(out, "ARC", "AcDbCircle", a.handle(), a, style);
        point(out, 10, a.center().x, a.center().y, a.center().z);
        out.real(40, a.radius());
        normal(out, a.normal());
        if (!style.legacy)
            out.pair(100, "AcDbArc");
        out.real(50, a.startAngle() * kDegrees);
        out.real(51, a.endAngle() * kDegrees);
        xdata(out, a, style);
        return;
    }
    default:
        // Kinds read for display only: the file they came from keeps their records.
        return;
    }
}

} // namespace

AcDbHandle extraHandles(const AcDbEntity& entity, const EntityRecordStyle& style)
{
    if (!style.handles)
        return 0;
    if (appDataForm(entity, style) == AppDataForm::xrecord)
        return extraRecordHandles(entity, style) + 2;
    return extraRecordHandles(entity, style);
}

namespace {

AcDbHandle extraRecordHandles(const AcDbEntity& entity, const EntityRecordStyle& style)
{
    if (entity.kind() == AcDbEntity::Kind::k3dPolyline)
        return static_cast<const AcDb3dPolyline&>(entity).vertices().size() + 1;
    if (entity.kind() == AcDbEntity::Kind::kPolyline && style.legacy)
        return static_cast<const AcDbPolyline&>(entity).numVerts() + 1;
    if (entity.kind() == AcDbEntity::Kind::kSpline && style.legacy)
        return static_cast<const AcDbSpline&>(entity).samplePoints(kLegacySplinePerSpan).size() + 1;
    return 0;
}

} // namespace

std::string nonFiniteNumber(const AcDbEntity& entity)
{
    switch (entity.kind()) {
    case AcDbEntity::Kind::kPolyline: {
        const auto& pl = static_cast<const AcDbPolyline&>(entity);
        double width = 0.0;
        pl.getConstantWidth(width);
        if (!std::isfinite(pl.elevation()) || !std::isfinite(width) || !finite(pl.normal()))
            return "its elevation, width or normal";
        const auto points = pl.points();
        for (unsigned int i = 0; i < points.size(); ++i) {
            double bulge = 0.0, start = 0.0, end = 0.0;
            pl.getBulgeAt(i, bulge);
            pl.getWidthsAt(i, start, end);
            if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) || !std::isfinite(bulge) ||
                !std::isfinite(start) || !std::isfinite(end))
                return "vertex " + std::to_string(i);
        }
        return {};
    }
    case AcDbEntity::Kind::k3dPolyline: {
        const auto& v = static_cast<const AcDb3dPolyline&>(entity).vertices();
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (!finite(v[i]))
                return "vertex " + std::to_string(i);
        }
        return {};
    }
    case AcDbEntity::Kind::kSpline: {
        const auto& sp = static_cast<const AcDbSpline&>(entity);
        for (double k : sp.knots())
            if (!std::isfinite(k))
                return "its knots";
        for (const auto* points : {&sp.controlPoints(), &sp.fitPoints()})
            for (const AcGePoint3d& p : *points)
                if (!finite(p))
                    return "its control or fit points";
        return {};
    }
    case AcDbEntity::Kind::kLine: {
        const auto& l = static_cast<const AcDbLine&>(entity);
        return finite(l.startPoint()) && finite(l.endPoint()) ? std::string() : "its end points";
    }
    case AcDbEntity::Kind::kPoint:
        return finite(static_cast<const AcDbPoint&>(entity).position()) ? std::string() : "its position";
    case AcDbEntity::Kind::kCircle: {
        const auto& c = static_cast<const AcDbCircle&>(entity);
        return finite(c.center()) && std::isfinite(c.radius()) && finite(c.normal()) ? std::string() : "its geometry";
    }
    case AcDbEntity::Kind::kArc: {
        const auto& a = static_cast<const AcDbArc&>(entity);
        return finite(a.center()) && std::isfinite(a.radius()) && std::isfinite(a.startAngle()) &&
                       std::isfinite(a.endAngle()) && finite(a.normal())
                   ? std::string()
                   : "its geometry";
    }
    default:
        return {};
    }
    return {};
}

} // namespace plotwright::dxf::detail
