#pragma once
// Internal: the XRECORDs of the OBJECTS section that hold this program's application
// data, found through the entity's extension dictionary (its entry "PLOTWRIGHT_CURVE").

#include <string>
#include <string_view>
#include <unordered_map>

#include "db/object.h"
#include "dxf/app_data.h"

namespace plotwright::dxf::detail {

class AppDataObjects {
public:
    // One pair of the OBJECTS section, in file order; `page` is the file's code page.
    void feed(int code, std::string_view value, base::CodePage page);
    // Ends the last record of the section.
    void end() { feed(0, {}, base::CodePage::latin1); }

    // The values of the XRECORD that the extension dictionary `dictionary` names; empty
    // when there is none or it does not hold values of the layout's types.
    AcDbAppData dataFor(AcDbHandle dictionary) const;

private:
    void finishRecord();

    enum class Kind { other, dictionary, xrecord };
    Kind kind_ = Kind::other;
    AcDbHandle handle_ = 0;
    bool entryMatches_ = false;
    AcDbHandle entry_ = 0;
    AppDataReader reader_{AppDataReader::Form::xrecord};

    std::unordered_map<AcDbHandle, AcDbHandle> entries_;   // dictionary -> its PLOTWRIGHT_CURVE entry
    std::unordered_map<AcDbHandle, AcDbAppData> xrecords_;
};

} // namespace plotwright::dxf::detail
