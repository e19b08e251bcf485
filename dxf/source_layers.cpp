#include "dxf/source_layers.h"

#include "db/access.h"
#include "db/database.h"
#include "dxf/entity_builder.h"
#include "dxf/entity_writer.h"
#include "dxf/layer_records.h"
#include "dxf/output.h"
#include "dxf/scan.h"
#include "dxf/source.h"
#include "dxf/source_edits.h"

namespace plotwright::dxf::detail {

namespace {

// Every record of the layer's name in the LAYER table, matched as the reader names
// layers. A file may hold a name twice: the reader takes the last record, another
// program perhaps the first; all of them get the changes, so that every reader sees them.
std::vector<const DxfSource::TableRecord*> recordsOf(const DxfSource& source, const AcDbLayerInfo& layer)
{
    std::vector<const DxfSource::TableRecord*> out;
    for (const DxfSource::TableRecord& r : source.tableRecords) {
        if (r.table != "LAYER")
            continue;
        if (db::detail::sameBlockName(dxfText(r.name, source.codePage.value_or(base::CodePage::latin1)),
                                      layer.name))
            out.push_back(&r);
    }
    return out;
}

std::string pairText(const DxfSource& source, int code, long long value)
{
    DxfOutput out(source.newline);
    out.integer(code, value);
    return out.take();
}

// Replaces the groups of one LAYER record that differ from how the file had them.
void patchRecord(const DxfSource& source, const DxfSource::TableRecord& record, const AcDbLayerInfo& layer,
                 std::vector<TextPatch>& patches)
{
    const AcDbLayerAppearance& now = layer.appearance;
    const AcDbLayerAppearance& read = layer.asRead;
    const bool color = now.colorIndex != read.colorIndex || now.off != read.off;
    const bool frozen = now.frozen != read.frozen;
    const bool trueColor = now.trueColor != read.trueColor;
    bool seen62 = false, seen70 = false, seen420 = false;
    // Missing groups go after the name: at the record's end they would share their offset
    // with the records a save appends to the table, and could land in one of those.
    std::size_t insertAt = record.span.end;
    std::size_t after62 = DxfSource::npos;
    DxfPairScanner scanner(source.text, record.span.begin);
    DxfPair pair;
    bool first = true;
    while (scanner.position() < record.span.end && scanner.next(pair) == DxfPairScanner::Step::pair) {
        if (first) {
            first = false;
            insertAt = pair.end;
            continue;  // the record's 0/LAYER
        }
        if (pair.code == 0)
            break;
        if (pair.code == 2) {
            insertAt = pair.end;
        } else if (pair.code == 62) {
            seen62 = true;
            after62 = pair.end;
            if (color)
                patches.push_back({pair.valueOffset, pair.value.size(), std::to_string(layerColorGroup(now))});
        } else if (pair.code == 70) {
            seen70 = true;
            if (frozen) {
                // Flags that are no number were read as 0: the change is written over them.
                long long flags = 0;
                if (!parseInt(trimmed(pair.value), flags))
                    flags = 0;
                patches.push_back({pair.valueOffset, pair.value.size(), std::to_string(layerFlagsGroup(now, flags))});
            }
        } else if (pair.code == 420) {
            seen420 = true;
            if (trueColor && now.trueColor < 0)
                patches.push_back({pair.offset, pair.end - pair.offset, {}});
            else if (trueColor)
                patches.push_back({pair.valueOffset, pair.value.size(), std::to_string(now.trueColor)});
        }
    }
    if (frozen && !seen70)
        patches.push_back({insertAt, 0, pairText(source, 70, layerFlagsGroup(now, 0))});
    if (color && !seen62)
        patches.push_back({insertAt, 0, pairText(source, 62, layerColorGroup(now))});
    if (trueColor && !seen420 && now.trueColor >= 0)
        patches.push_back({after62 != DxfSource::npos ? after62 : insertAt, 0, pairText(source, 420, now.trueColor)});
}

} // namespace

void patchLayerTable(const AcDbDatabase& db, const DxfSource& source, AcDbHandle& nextHandle,
                     std::vector<TextPatch>& patches)
{
    const auto end = source.tableEnds.find("LAYER");
    const auto table = source.tableHandles.find("LAYER");
    const std::vector<AcDbLayerInfo> layers = db.layers();
    // The file's records first: a group added at the end of the last record shares its
    // offset with the records appended below, and patches at one offset keep their order.
    for (const AcDbLayerInfo& layer : layers) {
        if (!layer.fromFile)
            continue;
        const bool same = layer.appearance.colorIndex == layer.asRead.colorIndex &&
                          layer.appearance.off == layer.asRead.off &&
                          layer.appearance.frozen == layer.asRead.frozen &&
                          layer.appearance.trueColor == layer.asRead.trueColor;
        if (!same)
            for (const DxfSource::TableRecord* record : recordsOf(source, layer))
                patchRecord(source, *record, layer, patches);
    }
    for (const AcDbLayerInfo& layer : layers) {
        if (layer.fromFile)
            continue;
        // A file without a LAYER table gets none: its entities' layers are names only.
        if (end == source.tableEnds.end())
            continue;
        LayerRecordStyle style;
        style.legacy = source.legacyEntities;
        style.handles = source.usesHandles;
        style.utf8 = source.version >= "AC1021";
        style.codePage = addedTextCodePage(source);
        style.owner = table != source.tableHandles.end() ? table->second : 0;
        if (style.handles)
            style.handle = nextHandle++;
        patches.push_back({end->second, 0, layerRecordText(layer, style, source.newline)});
    }
}

void patchCurrentLayer(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches)
{
    if (db.clayer() == source.clayer)
        return;
    const std::string name = dxfValueText(db.clayer(), source.version >= "AC1021", addedTextCodePage(source));
    if (source.clayerValue != DxfSource::npos) {
        patches.push_back({source.clayerValue, source.clayerValueLength, name});
        return;
    }
    if (source.headerEnd == DxfSource::npos)
        return;
    DxfOutput added(source.newline);
    added.pair(9, "$CLAYER");
    added.pair(8, name);
    patches.push_back({source.headerEnd, 0, added.take()});
}

} // namespace plotwright::dxf::detail
