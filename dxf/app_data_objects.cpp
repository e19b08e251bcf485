#include "dxf/app_data_objects.h"

#include "dxf/scan.h"

namespace plotwright::dxf::detail {

void AppDataObjects::finishRecord()
{
    if (kind_ == Kind::dictionary && handle_ != 0 && entry_ != 0)
        entries_[handle_] = entry_;
    if (kind_ == Kind::xrecord && handle_ != 0) {
        AcDbAppData data = reader_.take();
        if (!data.empty())
            xrecords_[handle_] = std::move(data);
    }
    reader_.take();
    kind_ = Kind::other;
    handle_ = 0;
    entryMatches_ = false;
    entry_ = 0;
}

void AppDataObjects::feed(int code, std::string_view value, base::CodePage page)
{
    if (code == 0) {
        finishRecord();
        const std::string_view type = trimmed(value);
        kind_ = type == "DICTIONARY" ? Kind::dictionary : type == "XRECORD" ? Kind::xrecord : Kind::other;
        return;
    }
    if (kind_ == Kind::other)
        return;
    unsigned long long h = 0;
    if (code == 5 && parseHandle(value, h)) {
        handle_ = h;
        return;
    }
    if (kind_ == Kind::xrecord) {
        reader_.feed(code, value, page);
        return;
    }
    // A dictionary's entries: 3 the name, then 350 or 360 the object it names.
    if (code == 3)
        entryMatches_ = value == kCurveXrecordName;
    else if ((code == 350 || code == 360) && entryMatches_ && parseHandle(value, h))
        entry_ = h;
}

AcDbAppData AppDataObjects::dataFor(AcDbHandle dictionary) const
{
    const auto entry = entries_.find(dictionary);
    if (entry == entries_.end())
        return {};
    const auto xrecord = xrecords_.find(entry->second);
    return xrecord == xrecords_.end() ? AcDbAppData{} : xrecord->second;
}

} // namespace plotwright::dxf::detail
