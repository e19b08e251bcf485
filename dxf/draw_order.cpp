#include "dxf/draw_order.h"

#include <algorithm>
#include <numeric>

#include "dxf/scan.h"

namespace plotwright::dxf::detail {

void DrawOrderTables::start()
{
    reading_.clear();
    record_ = entity_ = 0;
    ownHandle_ = subclass_ = false;
}

void DrawOrderTables::pair(int code, std::string_view value)
{
    unsigned long long handle = 0;
    if (code == 100) {
        subclass_ = trimmed(value) == "AcDbSortentsTable";
        return;
    }
    if (code == 5 && !ownHandle_) {
        ownHandle_ = true;
        return;
    }
    if (!subclass_ || !parseHandle(value, handle))
        return;
    // Pairs of 331 (the entity) and 5 (the handle it is drawn by); a 5 without its 331
    // is left out.
    if (code == 330 && record_ == 0)
        record_ = handle;
    else if (code == 331)
        entity_ = handle;
    else if (code == 5 && entity_ != 0) {
        reading_[entity_] = handle;
        entity_ = 0;
    }
}

void DrawOrderTables::finish()
{
    if (record_ != 0 && !reading_.empty())
        tables_[record_] = std::move(reading_);
    start();
}

std::vector<std::size_t> DrawOrderTables::order(AcDbHandle record, const std::vector<AcDbHandle>& handles) const
{
    std::vector<std::size_t> positions(handles.size());
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    const auto table = tables_.find(record);
    if (record == 0 || table == tables_.end())
        return positions;
    const auto key = [&](std::size_t i) {
        const auto moved = table->second.find(handles[i]);
        const AcDbHandle h = moved == table->second.end() ? handles[i] : moved->second;
        return h == 0 ? ~AcDbHandle{0} : h;
    };
    std::vector<AcDbHandle> keys(handles.size());
    for (std::size_t i = 0; i < handles.size(); ++i)
        keys[i] = key(i);
    std::stable_sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    return positions;
}

} // namespace plotwright::dxf::detail
