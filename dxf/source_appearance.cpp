#include "dxf/source_appearance.h"

#include <string>
#include <string_view>

#include "db/access.h"
#include "db/database.h"
#include "dxf/entity_writer.h"
#include "dxf/scan.h"
#include "dxf/source.h"
#include "dxf/source_edits.h"

namespace plotwright::dxf::detail {

namespace {

struct Group {
    std::size_t begin = DxfSource::npos;  // the code line
    std::size_t end = 0;                  // past the value line
    std::size_t value = 0;
    std::size_t valueLength = 0;
    bool found() const { return begin != DxfSource::npos; }
};

// The entity's own layer and colour groups: those of its first record's common part
// (before its subclass data, extended data or an embedded object).
struct HeadGroups {
    Group layer, color, trueColor;
};

HeadGroups headGroups(const DxfSource& source, std::size_t begin, std::size_t end)
{
    HeadGroups head;
    DxfPairScanner scanner(source.text, begin);
    DxfPair pair;
    bool first = true;
    while (scanner.position() < end && scanner.next(pair) == DxfPairScanner::Step::pair) {
        if (pair.code == 0 && !first)
            break;
        first = false;
        if (pair.code == 101 || pair.code == 1001 || (pair.code == 100 && trimmed(pair.value) != "AcDbEntity"))
            break;
        Group* g = pair.code == 8 ? &head.layer : pair.code == 62 ? &head.color : pair.code == 420 ? &head.trueColor : nullptr;
        if (g && !g->found())
            *g = {pair.offset, pair.end, pair.valueOffset, pair.value.size()};
    }
    return head;
}

// A POLYLINE's VERTEX and SEQEND records go with their head's layer.
void patchFollowerLayers(const DxfSource& source, std::size_t begin, std::size_t end, std::string_view oldValue,
                         const std::string& value, std::vector<TextPatch>& patches)
{
    DxfPairScanner scanner(source.text, begin);
    DxfPair pair;
    bool inFollower = false;
    int records = 0;
    while (scanner.position() < end && scanner.next(pair) == DxfPairScanner::Step::pair) {
        if (pair.code == 0) {
            const std::string_view type = trimmed(pair.value);
            inFollower = ++records > 1 && (type == "VERTEX" || type == "SEQEND");
        } else if (inFollower && pair.code == 8 && pair.value == oldValue) {
            patches.push_back({pair.valueOffset, pair.value.size(), value});
        }
    }
}

} // namespace

void patchEntityAppearance(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches)
{
    const bool utf8 = source.version >= "AC1021";
    const bool trueColors = !source.legacyEntities;
    const std::string nl = source.newline;
    for (const AcDbBlockTableRecord* record : db::detail::DatabaseAccess::records(db)) {
        for (const AcDbEntity* e : db::detail::DatabaseAccess::entities(*record)) {
            const AcDbEntity::Appearance* before = e->appearanceBefore();
            if (e->isErased() || !e->isFromFile() || !before || *before == e->appearance())
                continue;
            const auto span = source.entitySpans.find(e);
            if (span == source.entitySpans.end())
                continue;
            const HeadGroups head = headGroups(source, span->second.begin, span->second.end);
            if (!head.layer.found())
                continue;  // a record without a layer group is not one this program reads
            // New groups go right after the layer's.
            const std::size_t after = head.layer.end;
            if (e->layer() != before->layer) {
                const std::string value = dxfValueText(e->layer(), utf8, addedTextCodePage(source));
                const std::string_view old(source.text.data() + head.layer.value, head.layer.valueLength);
                patches.push_back({head.layer.value, head.layer.valueLength, value});
                patchFollowerLayers(source, span->second.begin, span->second.end, old, value, patches);
            }
            if (e->colorIndex() != before->colorIndex) {
                const std::string value = std::to_string(e->colorIndex());
                if (head.color.found())
                    patches.push_back({head.color.value, head.color.valueLength, value});
                else
                    patches.push_back({after, 0, " 62" + nl + value + nl});
            }
            if (e->trueColor() != before->trueColor) {
                if (e->trueColor() < 0 && head.trueColor.found())
                    patches.push_back({head.trueColor.begin, head.trueColor.end - head.trueColor.begin, {}});
                else if (e->trueColor() >= 0 && head.trueColor.found())
                    patches.push_back({head.trueColor.value, head.trueColor.valueLength, std::to_string(e->trueColor())});
                else if (e->trueColor() >= 0 && trueColors)
                    patches.push_back({after, 0, "420" + nl + std::to_string(e->trueColor()) + nl});
            }
        }
    }
}

} // namespace plotwright::dxf::detail
