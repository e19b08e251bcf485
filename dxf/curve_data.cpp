#include "dxf/curve_data.h"

#include "curve/geometry_digest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/utf8_text.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "dxf/entity_builder.h"
#include "dxf/output.h"
#include "dxf/scan.h"

namespace plotwright::dxf {

using Type = AcDbAppDataValue::Type;

namespace {

constexpr std::int32_t kLayoutVersion = 1;
// A group of extended data holds at most 255 bytes of text.
constexpr std::size_t kChunkBytes = 255;
// Extended data of one entity stays below 16 KB, counting each value's text and code.
constexpr std::size_t kXdataLimit = 16000;
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

// ---- DXF text of the values ---------------------------------------------------

void appendEscape(std::string& out, std::uint32_t c)
{
    static const char digits[] = "0123456789ABCDEF";
    out += "\\U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(c >> shift) & 0xF];
}

// Printable ASCII as it is; the backslash, control characters and (in files before
// R2007) everything beyond ASCII as \U+XXXX, so that no value breaks a line and every
// character comes back; beyond ASCII in UTF-8 files as UTF-8.
std::string valueText(const std::wstring& text, bool utf8)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else if (c < 0x80 || (c >= 0xD800 && c < 0xE000)) {
            appendEscape(out, c);
        } else if (c > 0x10FFFF) {
            appendEscape(out, 0xFFFD);
        } else if (utf8) {
            out += base::utf8FromWide(std::wstring_view(&wc, 1));
        } else if (c > 0xFFFF) {
            appendEscape(out, 0xD800 + ((c - 0x10000) >> 10));
            appendEscape(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            appendEscape(out, c);
        }
    }
    return out;
}

int hexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

// The escape \U+XXXX at `i` of `text`, or -1.
long escapeAt(const std::wstring& text, std::size_t i)
{
    if (i + 7 > text.size() || text[i] != L'\\' || (text[i + 1] != L'U' && text[i + 1] != L'u') || text[i + 2] != L'+')
        return -1;
    long c = 0;
    for (std::size_t k = 3; k < 7; ++k) {
        const int d = hexDigit(text[i + k]);
        if (d < 0)
            return -1;
        c = c * 16 + d;
    }
    return c;
}

std::wstring textOfValue(std::string_view bytes, base::CodePage page)
{
    const std::wstring raw = detail::dxfText(bytes, page);
    std::wstring out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        const long c = escapeAt(raw, i);
        if (c < 0) {
            out += raw[i++];
            continue;
        }
        i += 7;
        const long low = c >= 0xD800 && c < 0xDC00 ? escapeAt(raw, i) : -1;
        if (low >= 0xDC00 && low < 0xE000) {
            out += static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
            i += 7;
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

std::string nonFiniteText(double v)
{
    if (std::isnan(v))
        return std::signbit(v) ? "-nan" : "nan";
    return v > 0 ? "inf" : "-inf";
}

// One value as a group: codes for extended data or for an XRECORD.
void writeValue(detail::DxfOutput& out, const AcDbAppDataValue& v, bool utf8, bool xrecord)
{
    switch (v.type) {
    case Type::kText:
        out.pair(xrecord ? 1 : 1000, valueText(v.text, utf8));
        break;
    case Type::kReal:
        if (std::isfinite(v.real))
            out.real(xrecord ? 40 : 1040, v.real);
        else
            out.pair(xrecord ? 1 : 1000, nonFiniteText(v.real));
        break;
    case Type::kInt16:
        out.integer(xrecord ? 70 : 1070, v.integer);
        break;
    case Type::kInt32:
        out.integer(xrecord ? 90 : 1071, v.integer);
        break;
    }
}

} // namespace

std::vector<AppDataGroup> appDataGroups(const AcDbAppData& data, bool utf8)
{
    std::vector<AppDataGroup> out;
    out.reserve(data.size());
    for (const AcDbAppDataValue& v : data) {
        AppDataGroup group;
        switch (v.type) {
        case Type::kText:
            group.code = 1000;
            group.text = valueText(v.text, utf8);
            break;
        case Type::kReal:
            if (std::isfinite(v.real)) {
                group.code = 1040;
                group.real = v.real;
            } else {
                group.code = 1000;
                group.text = nonFiniteText(v.real);
            }
            break;
        case Type::kInt16:
            group.code = 1070;
            group.integer = v.integer;
            break;
        case Type::kInt32:
            group.code = 1071;
            group.integer = v.integer;
            break;
        }
        out.push_back(std::move(group));
    }
    return out;
}

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
    const bool kindData = !d.equationZ.empty() || d.window != ImplicitWindow{};
    if (!d.fingerprint.digest.empty() || kindData) {
        putInt32(data, static_cast<std::int32_t>(d.fingerprint.digest.size()));
        for (double v : d.fingerprint.digest)
            putReal(data, v);
    }
    // Space and implicit curves only, so that the other kinds' data stays as it was.
    if (kindData) {
        putText(data, d.equationZ);
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
    // Space and implicit curves carry their z expression and window after it; for the
    // other kinds anything there belongs to later versions of the layout.
    if ((d.kind == SpaceCurve || d.kind == ImplicitCurve) && c.ok() && !c.atEnd()) {
        d.equationZ = c.text();
        for (double* v : {&d.window.xMin, &d.window.xMax, &d.window.yMin, &d.window.yMax})
            *v = c.real();
        d.window.gridCells = c.int32();
        d.window.cellSize = c.real();
    }
    // Values after the layout's last one are left for later versions of it.
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
        const auto& pl = static_cast<const AcDbPolyline&>(entity);
        const auto points = pl.points();
        count = points.size();
        // Exactly sized: a million vertices must not be held twice while a vector grows.
        xs.reserve(count);
        ys.reserve(count);
        if (!points.empty()) {
            ends.push_back({points.front().x, points.front().y, pl.elevation()});
            ends.push_back({points.back().x, points.back().y, pl.elevation()});
        }
        for (unsigned int i = 0; i < points.size(); ++i) {
            xs.push_back(points[i].x);
            ys.push_back(points[i].y);
            double bulge = 0.0;
            if (pl.hasBulges() && pl.getBulgeAt(i, bulge) == Acad::eOk)
                bulges.push_back(bulge);
        }
        if (bulges.size() != xs.size())
            bulges.clear();
        break;
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

namespace detail {

void writeAppXdata(DxfOutput& out, const AcDbAppData& data, bool utf8)
{
    out.pair(1001, kCurveAppName);
    for (const AcDbAppDataValue& v : data)
        writeValue(out, v, utf8, false);
}

bool appDataFitsXdata(const AcDbAppData& data, bool utf8)
{
    std::size_t bytes = kCurveAppName.size() + 2;
    for (const AcDbAppDataValue& v : data) {
        switch (v.type) {
        case Type::kText: bytes += valueText(v.text, utf8).size(); break;
        case Type::kReal: bytes += 8; break;
        case Type::kInt16: bytes += 2; break;
        case Type::kInt32: bytes += 4; break;
        }
        bytes += 2;
        if (bytes > kXdataLimit)
            return false;
    }
    return true;
}

void writeAppXrecord(DxfOutput& out, AcDbHandle entity, AcDbHandle dictionary, AcDbHandle xrecord,
                     const AcDbAppData& data, bool utf8)
{
    out.pair(0, "DICTIONARY");
    out.handle(5, dictionary);
    out.handle(330, entity);
    out.pair(100, "AcDbDictionary");
    out.integer(280, 1);
    out.integer(281, 1);
    out.pair(3, kCurveXrecordName);
    out.handle(360, xrecord);
    out.pair(0, "XRECORD");
    out.handle(5, xrecord);
    out.handle(330, dictionary);
    out.pair(100, "AcDbXrecord");
    out.integer(280, 1);
    for (const AcDbAppDataValue& v : data)
        writeValue(out, v, utf8, true);
}

void AppDataReader::feed(int code, std::string_view value, base::CodePage page)
{
    if (bad_)
        return;
    const bool x = form_ == Form::xdata;
    if (!x && (code == 100 || code == 280 || code == 102 || code == 330 || code == 5))
        return;  // the record's own groups, not values
    AcDbAppDataValue v;
    long long integer = 0;
    if (code == (x ? 1000 : 1)) {
        v.type = Type::kText;
        v.text = textOfValue(value, page);
    } else if (code == (x ? 1040 : 40)) {
        v.type = Type::kReal;
        bad_ = !parseDouble(value, v.real);
    } else if (code == (x ? 1070 : 70) || code == (x ? 1071 : 90)) {
        const bool wide = code == (x ? 1071 : 90);
        v.type = wide ? Type::kInt32 : Type::kInt16;
        bad_ = !parseInt(value, integer) || integer < (wide ? INT32_MIN : INT16_MIN) ||
               integer > (wide ? INT32_MAX : INT16_MAX);
        v.integer = static_cast<std::int32_t>(integer);
    } else {
        bad_ = true;
    }
    if (!bad_)
        data_.push_back(std::move(v));
}

AcDbAppData AppDataReader::take()
{
    AcDbAppData data = bad_ ? AcDbAppData{} : std::move(data_);
    data_.clear();
    bad_ = false;
    return data;
}

} // namespace detail

} // namespace plotwright::dxf
