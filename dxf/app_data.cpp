#include "dxf/app_data.h"

#include <cmath>
#include <cstdint>

#include "base/utf8_text.h"
#include "dxf/entity_builder.h"
#include "dxf/output.h"
#include "dxf/scan.h"

namespace plotwright::dxf {

using Type = AcDbAppDataValue::Type;

namespace {

// Extended data of one entity stays below 16 KB, counting each value's text and code.
constexpr std::size_t kXdataLimit = 16000;

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
