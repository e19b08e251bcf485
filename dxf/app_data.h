#pragma once
// This program's application data in DXF: the values an entity carries (AcDbAppData) as
// extended data of the application "PLOTWRIGHT", or as the groups of an XRECORD in the
// OBJECTS section when they are too large for that. What the values mean is the caller's
// (the core's curve-data codec); here they are typed values only.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "db/object.h"

namespace plotwright::dxf {

// The registered application name of the extended data, and the extension dictionary's
// entry naming the XRECORD that holds data too large for extended data.
inline constexpr std::string_view kCurveAppName = "PLOTWRIGHT";
inline constexpr std::string_view kCurveXrecordName = "PLOTWRIGHT_CURVE";

// One value of application data as an extended-data group: its code (1000, 1040, 1070,
// 1071) and the value; a text (or a real that is not finite, which goes as text) in
// `text` as the file holds it (escaped beyond ASCII unless `utf8`).
struct AppDataGroup {
    int code = 0;
    std::string text;
    double real = 0;
    std::int32_t integer = 0;
};
std::vector<AppDataGroup> appDataGroups(const AcDbAppData& data, bool utf8);

namespace detail {

class DxfOutput;

// Extended data (1001 PLOTWRIGHT and the values) for the end of an entity record.
void writeAppXdata(DxfOutput& out, const AcDbAppData& data, bool utf8);
// Whether the extended data stays within the 16 KB an entity may carry.
bool appDataFitsXdata(const AcDbAppData& data, bool utf8);
// The extension dictionary `dictionary` owned by `entity` and its XRECORD `xrecord`
// holding the values, for the OBJECTS section.
void writeAppXrecord(DxfOutput& out, AcDbHandle entity, AcDbHandle dictionary, AcDbHandle xrecord,
                     const AcDbAppData& data, bool utf8);

// Collects the values of one record's application data from its DXF groups: extended
// data after "1001 PLOTWRIGHT", or the groups of an XRECORD after its 280 flag.
class AppDataReader {
public:
    enum class Form { xdata, xrecord };
    explicit AppDataReader(Form form) : form_(form) {}
    // `page`: the file's code page, for text that is not UTF-8 (see dxfText).
    void feed(int code, std::string_view value, base::CodePage page);
    // The values, or empty when a group did not fit the layout's types.
    AcDbAppData take();

private:
    Form form_;
    AcDbAppData data_;
    bool bad_ = false;
};

} // namespace detail

} // namespace plotwright::dxf
