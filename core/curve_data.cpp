#include "core/curve_data.h"

#include "curve/geometry_digest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "db/entities.h"
#include "db/polyline.h"

namespace plotwright::core {

using Type = AcDbAppDataValue::Type;

namespace {

constexpr std::int32_t kLayoutVersion = 1;
// A group of extended data holds at most 255 bytes of text.
constexpr std::size_t kChunkBytes = 255;
// A text of more chunks (about a megabyte) is no definition anyone wrote but damage, and
// would only hold up every listing of the drawing.
constexpr std::uint32_t kMostChunks = 4096;

// ---- values in the layout's order ----------------------------------------------

void putInt16(AcDbAppData& d, std::int32_t v) { d.push_back({Type::kInt16, {}, 0.0, v}); }
void putInt32(AcDbAppData& d, std::int32_t v) { d.push_back({Type::kInt32, {}, 0.0, v}); }
void putReal(AcDbAppData& d, double v) { d.push_back({Type::kReal, {}, v, 0}); }
void putPoint(AcDbAppData& d, const CurvePoint& p)
{
    putReal(d, p.x);
    putReal(d, p.y);
    putReal(d, p.z);
}

// The most bytes a character can take in a value: printable ASCII itself, anything else
// a \U+XXXX escape (two for a character beyond the 16-bit range) or up to 4 UTF-8 bytes.
std::size_t worstBytes(wchar_t c)
{
    if (c >= 0x20 && c < 0x7F && c != L'\\')
        return 1;
    return static_cast<std::uint32_t>(c) > 0xFFFF ? 14 : 7;
}

// A text: the number of chunks, then the chunks (none for an empty text).
void putText(AcDbAppData& d, const std::wstring& text)
{
    std::vector<std::wstring> chunks;
    std::size_t bytes = kChunkBytes;
    for (wchar_t c : text) {
        const std::size_t cost = worstBytes(c);
        if (bytes + cost > kChunkBytes) {
            chunks.emplace_back();
            bytes = 0;
        }
        chunks.back() += c;
        bytes += cost;
    }
    putInt32(d, static_cast<std::int32_t>(chunks.size()));
    for (std::wstring& chunk : chunks)
        d.push_back({Type::kText, std::move(chunk), 0.0, 0});
}

class Cursor {
public:
    explicit Cursor(const AcDbAppData& data) : data_(data) {}
    bool ok() const { return ok_; }
    bool atEnd() const { return next_ == data_.size(); }
    // Continues where `probe` (a copy of this cursor that read ahead) stopped.
    void advanceTo(const Cursor& probe) { next_ = probe.next_; }

    std::int32_t integer(Type type)
    {
        const AcDbAppDataValue* v = take();
        if (!v || v->type != type) {
            ok_ = false;
            return 0;
        }
        return v->integer;
    }
    std::int32_t int16() { return integer(Type::kInt16); }
    std::int32_t int32() { return integer(Type::kInt32); }
    std::uint32_t count()
    {
        const std::int32_t n = int32();
        if (n < 0)
            ok_ = false;
        return n < 0 ? 0 : static_cast<std::uint32_t>(n);
    }
    // A real, or its stand-in text for a value that is not finite.
    double real()
    {
        const AcDbAppDataValue* v = take();
        if (v && v->type == Type::kReal)
            return v->real;
        if (v && v->type == Type::kText) {
            if (v->text == L"nan")
                return std::numeric_limits<double>::quiet_NaN();
            if (v->text == L"-nan")
                return -std::numeric_limits<double>::quiet_NaN();
            if (v->text == L"inf")
                return std::numeric_limits<double>::infinity();
            if (v->text == L"-inf")
                return -std::numeric_limits<double>::infinity();
        }
        ok_ = false;
        return 0.0;
    }
    CurvePoint point()
    {
        CurvePoint p;
        p.x = real();
        p.y = real();
        p.z = real();
        return p;
    }
    std::wstring text()
    {
        const std::uint32_t chunks = count();
        if (chunks > kMostChunks)
            ok_ = false;
        std::wstring out;
        for (std::uint32_t i = 0; ok_ && i < chunks; ++i) {
            const AcDbAppDataValue* v = take();
            if (!v || v->type != Type::kText)
                ok_ = false;
            else
                out += v->text;
        }
        return out;
    }

private:
    const AcDbAppDataValue* take()
    {
        if (!ok_ || next_ >= data_.size()) {
            ok_ = false;
            return nullptr;
        }
        return &data_[next_++];
    }

    const AcDbAppData& data_;
    std::size_t next_ = 0;
    bool ok_ = true;
};

// ---- tagged groups after the digest -----------------------------------------------

// Turn, scale, mirror and offset at placement: written only when one differs from none.
constexpr std::wstring_view kPlacementTag = L"placement";

bool hasPlacement(const curve::CurveOptions& o)
{
    return o.rotation != 0 || o.scale != 1 || o.mirror || o.offset != 0 || o.offsetBothSides;
}

// Reads the placement group when it comes next; leaves `c` where it was otherwise.
bool readPlacement(Cursor& c, curve::CurveOptions& options)
{
    Cursor probe = c;
    if (probe.text() != kPlacementTag || !probe.ok())
        return false;
    curve::CurveOptions read = options;
    read.rotation = probe.real();
    read.scale = probe.real();
    read.mirror = probe.int16() != 0;
    read.offset = probe.real();
    read.offsetBothSides = probe.int16() != 0;
    if (!probe.ok())
        return false;
    options = read;
    c.advanceTo(probe);
    return true;
}

// A space curve's z expression, and an implicit curve's window and grid.
constexpr std::wstring_view kSpaceTag = L"space";
constexpr std::wstring_view kWindowTag = L"window";

bool readSpace(Cursor& c, std::wstring& equationZ)
{
    Cursor probe = c;
    if (probe.text() != kSpaceTag || !probe.ok())
        return false;
    std::wstring z = probe.text();
    if (!probe.ok())
        return false;
    equationZ = std::move(z);
    c.advanceTo(probe);
    return true;
}

bool readWindow(Cursor& c, ImplicitWindow& window)
{
    Cursor probe = c;
    if (probe.text() != kWindowTag || !probe.ok())
        return false;
    ImplicitWindow read;
    for (double* v : {&read.xMin, &read.xMax, &read.yMin, &read.yMax})
        *v = probe.real();
    read.gridCells = probe.int32();
    read.cellSize = probe.real();
    if (!probe.ok())
        return false;
    window = read;
    c.advanceTo(probe);
    return true;
}

} // namespace

AcDbAppData encodeCurveData(const curve::CurveDefinition& d)
{
    AcDbAppData data;
    putInt16(data, kLayoutVersion);
    putText(data, std::wstring(d.curveId.begin(), d.curveId.end()));
    putInt32(data, static_cast<std::int32_t>(d.pieceIndex));
    putInt32(data, static_cast<std::int32_t>(d.pieceCount));
    putInt32(data, static_cast<std::int32_t>(d.fingerprint.vertexCount));
    putPoint(data, d.fingerprint.first);
    putPoint(data, d.fingerprint.last);
    putText(data, d.name);
    putInt32(data, d.kind);
    putText(data, d.equationY);
    putText(data, d.equationX);
    putInt32(data, d.createdBy);
    putPoint(data, d.origin);
    putInt16(data, static_cast<std::int32_t>(d.options.output));
    putInt16(data, d.options.literalSteps ? 1 : 0);
    putReal(data, d.options.tolerance.value_or(0.0));
    putInt32(data, static_cast<std::int32_t>(d.parameters.size()));
    for (const ParameterFields& p : d.parameters) {
        putText(data, p.name);
        putInt32(data, p.type);
        for (double v : {p.defaultValue, p.min, p.max, p.defaultMin, p.defaultMax, p.increment, p.value, p.minValue,
                         p.maxValue, p.defaultIncrement})
            putReal(data, v);
        putInt32(data, p.minSet);
        putInt32(data, p.maxSet);
    }
    const bool placed = hasPlacement(d.options);
    const bool space = !d.equationZ.empty();
    const bool windowed = d.window != ImplicitWindow{};
    if (!d.fingerprint.digest.empty() || placed || space || windowed) {
        putInt32(data, static_cast<std::int32_t>(d.fingerprint.digest.size()));
        for (double v : d.fingerprint.digest)
            putReal(data, v);
    }
    if (placed) {
        putText(data, std::wstring(kPlacementTag));
        putReal(data, d.options.rotation);
        putReal(data, d.options.scale);
        putInt16(data, d.options.mirror ? 1 : 0);
        putReal(data, d.options.offset);
        putInt16(data, d.options.offsetBothSides ? 1 : 0);
    }
    // Space and implicit curves only, so that the other kinds' data stays as it was.
    if (space) {
        putText(data, std::wstring(kSpaceTag));
        putText(data, d.equationZ);
    }
    if (windowed) {
        putText(data, std::wstring(kWindowTag));
        for (double v : {d.window.xMin, d.window.xMax, d.window.yMin, d.window.yMax})
            putReal(data, v);
        putInt32(data, d.window.gridCells);
        putReal(data, d.window.cellSize);
    }
    return data;
}

std::optional<curve::CurveDefinition> decodeCurveData(const AcDbAppData& data)
{
    Cursor c(data);
    if (c.int16() != kLayoutVersion)
        return std::nullopt;
    curve::CurveDefinition d;
    const std::wstring id = c.text();
    for (wchar_t ch : id) {
        if (ch > 0x7E || ch < 0x20)
            return std::nullopt;
        d.curveId += static_cast<char>(ch);
    }
    d.pieceIndex = c.count();
    d.pieceCount = c.count();
    d.fingerprint.vertexCount = c.count();
    d.fingerprint.first = c.point();
    d.fingerprint.last = c.point();
    d.name = c.text();
    d.kind = c.int32();
    d.equationY = c.text();
    d.equationX = c.text();
    d.createdBy = c.int32();
    d.origin = c.point();
    const std::int32_t output = c.int16();
    if (output < 0 || output > 2)
        return std::nullopt;
    d.options.output = static_cast<curve::CurveOutput>(output);
    d.options.literalSteps = c.int16() != 0;
    if (const double tolerance = c.real(); tolerance != 0.0)
        d.options.tolerance = tolerance;
    const std::uint32_t parameters = c.count();
    for (std::uint32_t i = 0; c.ok() && i < parameters; ++i) {
        ParameterFields p;
        p.name = c.text();
        p.type = c.int32();
        for (double* v : {&p.defaultValue, &p.min, &p.max, &p.defaultMin, &p.defaultMax, &p.increment, &p.value,
                          &p.minValue, &p.maxValue, &p.defaultIncrement})
            *v = c.real();
        p.minSet = c.int32();
        p.maxSet = c.int32();
        d.parameters.push_back(std::move(p));
    }
    // The digest came later: definitions without it end here.
    if (c.ok() && !c.atEnd()) {
        const std::uint32_t values = c.count();
        for (std::uint32_t i = 0; c.ok() && i < values && i < curve::kDigestSize; ++i)
            d.fingerprint.digest.push_back(c.real());
    }
    // Then tagged groups of values; a tag this version does not know ends the reading
    // (values after the layout's last one are left for later versions of it).
    while (c.ok() && !c.atEnd() &&
           (readPlacement(c, d.options) || readSpace(c, d.equationZ) || readWindow(c, d.window))) {
    }
    if (!c.ok() || d.curveId.empty() || d.pieceCount == 0 || d.pieceIndex >= d.pieceCount)
        return std::nullopt;
    return d;
}

std::optional<curve::CurveDefinition> curveDefinitionOf(const AcDbEntity& entity)
{
    if (entity.appData().empty())
        return std::nullopt;
    return decodeCurveData(entity.appData());
}

std::optional<curve::PieceFingerprint> pieceFingerprint(const AcDbEntity& entity)
{
    std::vector<CurvePoint> ends;
    std::size_t count = 0;
    std::vector<double> xs, ys, bulges;
    const auto take = [&](const std::vector<AcGePoint3d>& points) {
        count = points.size();
        xs.reserve(count);
        ys.reserve(count);
        if (!points.empty()) {
            ends.push_back({points.front().x, points.front().y, points.front().z});
            ends.push_back({points.back().x, points.back().y, points.back().z});
        }
        for (const AcGePoint3d& p : points) {
            xs.push_back(p.x);
            ys.push_back(p.y);
        }
    };
    switch (entity.kind()) {
    case AcDbEntity::Kind::kPolyline: {
        // Read where they are: a million vertices are not copied out for the digest.
        const auto& pl = static_cast<const AcDbPolyline&>(entity);
        const auto points = pl.points();
        curve::PieceFingerprint f;
        f.vertexCount = static_cast<std::uint32_t>(points.size());
        if (!points.empty()) {
            f.first = {points.front().x, points.front().y, pl.elevation()};
            f.last = {points.back().x, points.back().y, pl.elevation()};
        }
        f.digest = curve::geometryDigestOf(points.size(), [&](std::size_t i) {
            double bulge = 0.0;
            if (pl.hasBulges())
                pl.getBulgeAt(static_cast<unsigned int>(i), bulge);
            return curve::DigestVertex{points[i].x, points[i].y, bulge};
        });
        for (const AcGePoint2d& p : points)
            f.magnitude = std::max({f.magnitude, std::fabs(p.x), std::fabs(p.y)});
        return f;
    }
    case AcDbEntity::Kind::k3dPolyline:
        take(static_cast<const AcDb3dPolyline&>(entity).vertices());
        break;
    case AcDbEntity::Kind::kSpline: {
        const auto& sp = static_cast<const AcDbSpline&>(entity);
        take(sp.controlPoints().empty() ? sp.fitPoints() : sp.controlPoints());
        break;
    }
    default:
        return std::nullopt;
    }
    curve::PieceFingerprint f;
    f.vertexCount = static_cast<std::uint32_t>(count);
    if (!ends.empty()) {
        f.first = ends[0];
        f.last = ends[1];
    }
    f.digest = curve::geometryDigest(xs, ys, bulges);
    for (std::size_t i = 0; i < xs.size(); ++i)
        f.magnitude = std::max({f.magnitude, std::fabs(xs[i]), std::fabs(ys[i])});
    return f;
}

} // namespace plotwright::core
