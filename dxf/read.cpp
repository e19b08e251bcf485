#include "dxf/file.h"

#include "base/file_bytes.h"
#include "base/interrupted_save.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "db/access.h"
#include "db/color.h"
#include "db/database.h"
#include "db/geometry.h"
#include "dxf/app_data_objects.h"
#include "dxf/draw_order.h"
#include "dxf/entity_builder.h"
#include "dxf/scan.h"
#include "dxf/source.h"

namespace plotwright::dxf {

using detail::DxfPair;
using detail::DxfPairScanner;

namespace {

DxfResult failure(DxfStatus status, const std::string& path, const std::string& reason)
{
    DxfResult result{status, "Cannot open \"" + path + "\": " + reason + "."};
    result.path = path;
    return result;
}

// A failure at the group code of `pair`.
DxfResult failureAt(DxfStatus status, const std::string& path, const std::string& reason, const DxfPair& pair)
{
    DxfResult result = failure(status, path, reason);
    result.line = static_cast<long>(pair.line);
    result.offset = static_cast<std::int64_t>(pair.offset);
    return result;
}

// Linetype and layer names compare without regard to (ASCII) case.
std::wstring upperCase(std::wstring name)
{
    for (wchar_t& c : name)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    return name;
}

std::string readFailureReason(int error)
{
    switch (error) {
    case ENOENT: return "the file does not exist";
    case EACCES: return "permission denied";
    case EISDIR: return "it is a folder, not a file";
    default: return std::strerror(error);
    }
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Reads the pairs of the whole file once: checks the structure, records where a writer
// will add its lines, and fills the database with the layers, the block records and
// the model-space entities that are shown.
class DxfLoader {
public:
    DxfLoader(const std::string& path, std::shared_ptr<DxfSource> source, AcDbDatabase& db)
        : path_(path), source_(std::move(source)), db_(db)
    {
        builder_.setSettings(&settings_);
        blockBuilder_.setSettings(&settings_);
    }

    DxfResult load(std::size_t start);

private:
    enum class Section { none, header, classes, tables, blocks, entities, objects, other };

    // Something other readers also accept and that loses nothing: read on, warn, and
    // refuse to write into the file.
    // `line` and `offset` place it: the first one's place goes with the warning.
    void lenient(const std::string& what, std::size_t line, std::size_t offset)
    {
        if (warning_.empty()) {
            warningLine_ = static_cast<long>(line);
            warningOffset_ = static_cast<std::int64_t>(offset);
        }
        warning_ += (warning_.empty() ? "" : "; ") + what;
    }
    // A TABLES section whose records a save could not patch safely (a table twice, a
    // record outside its table, a table without its end): records of one layer may then
    // stand in two places, and a patch of one would not decide what readers take. Read
    // on as before, warn once, and never write into the file.
    void tableFault(std::size_t line, std::size_t offset, const std::string& what)
    {
        if (!sawTableFault_)
            lenient("line " + std::to_string(line) + ": " + what, line, offset);
        sawTableFault_ = true;
    }
    std::string tableNamed() const { return table_.empty() ? "a table without a name" : "the " + table_ + " table"; }
    DxfResult structureError(const DxfPair& pair, const std::string& what) const
    {
        return failureAt(DxfStatus::malformed, path_, "line " + std::to_string(pair.line) + ": " + what, pair);
    }
    void headerPair(const DxfPair& pair);
    void tablePair(const DxfPair& pair);
    void blocksPair(const DxfPair& pair);
    void takeBlockEntity();
    void finishTableEntry(std::size_t end);
    void objectsPair(const DxfPair& pair);
    void finishObject(std::size_t end);
    void entityStarts(const DxfPair& pair);
    void setEntitySpans();
    void noteHandle(const DxfPair& pair);
    void noteUnshown()
    {
        if (!builder_.unshownType().empty())
            db::detail::DatabaseAccess::countUnshown(db_, detail::dxfText(builder_.unshownType(), settings_.codePage));
    }
    void finish();

    const std::string& path_;
    std::shared_ptr<DxfSource> source_;
    AcDbDatabase& db_;

    Section section_ = Section::none;
    std::string sectionName_;
    std::string warning_;
    long warningLine_ = -1;
    std::int64_t warningOffset_ = -1;
    std::wstring entryLinetype_;       // LAYER: its linetype (6)
    std::vector<double> entryDashes_;  // LTYPE: its elements (49)
    AcDbTextStyleFont entryFont_;      // STYLE: its font file (3), family and flags (ACAD's 1000, 1071)
    bool entryAcadData_ = false;       // within ACAD's extended data of the entry  // what was read leniently, "; " between
    bool sawEntitiesSection_ = false;
    bool sawBlocksSection_ = false;
    unsigned seenSections_ = 0;  // bit per standard section: each may appear once

    std::string headerVariable_;
    detail::DrawingSettings settings_;
    bool sawTableFault_ = false;
    std::string clayer_;  // $CLAYER as written, decoded once the code page is known
    long long handling_ = -1;
    AcDbHandle fileHandseed_ = 0;
    AcDbHandle maxHandle_ = 0;
    bool anyHandle_ = false;

    // The table being read and its current entry.
    std::string table_;
    bool inTable_ = false;  // between a TABLE and its ENDTAB
    std::size_t tableStart_ = 0;
    std::size_t tableLine_ = 0;
    std::size_t entryStart_ = 0;
    std::string entryType_;
    AcDbHandle entryHandle_ = 0;
    std::string entryName_;
    long long entryColor_ = 7;
    long long entryFlags_ = 0;
    long long entryTrueColor_ = -1;
    double entryArrowSize_ = 0.18;
    double entryDimScale_ = 1.0;
    AcDbHandle blockRecordTable_ = 0;

    // Block definitions of the BLOCKS section, shown through block references. The
    // layout blocks (model and paper space) are not: model space is ENTITIES.
    struct BlockDefinition {
        std::wstring name;
        AcDbHandle handle = 0;
        AcDbHandle record = 0;  // its BLOCK_RECORD (the owner)
        AcGePoint3d origin;
        std::vector<std::pair<std::unique_ptr<AcDbEntity>, AcDbHandle>> entities;
    };
    std::vector<BlockDefinition> blocks_;
    bool inBlockHeader_ = false;  // between BLOCK and its first entity
    bool blockSkipped_ = false;
    detail::DxfEntityBuilder blockBuilder_;

    // The record of OBJECTS being read, and which of the kinds read here it is (named
    // once, not compared again at each of its pairs).
    DxfSource::ObjectRecord object_;
    enum class ObjectKind { other, dictionary, sortents, spatialFilter, xrecord };
    ObjectKind objectKind_ = ObjectKind::other;
    // Dictionaries (name to handle) and clipping boundaries of block references, kept
    // until the end, where references find their boundaries through their dictionaries.
    std::map<AcDbHandle, std::map<std::string, AcDbHandle>> dictionaries_;
    std::string entryName330_;  // DICTIONARY: the name (3) waiting for its handle
    struct SpatialFilter {
        std::vector<AcGePoint2d> points;
        AcGeVector3d normal{0, 0, 1};
        AcGePoint3d origin;
        std::vector<double> values;  // the 40s: distances, then two matrices of 12
        long long frontClip = 0;
        bool enabled = true;  // 71: clipping on (XCLIP OFF keeps the boundary, turned off)
    };
    std::map<AcDbHandle, SpatialFilter> filters_;
    SpatialFilter filter_;
    // An inverted boundary (everything outside it shows) is kept apart from its filter,
    // in an XRECORD of the filter's extension dictionary; the filter itself holds a
    // frame that older readers apply instead.
    std::map<AcDbHandle, AcDbHandle> dictionaryOwners_;
    std::map<AcDbHandle, std::vector<AcGePoint2d>> invertedBoundaries_;  // by XRECORD
    std::vector<AcGePoint2d> xrecordPoints_;
    bool invertedPoints_ = false;  // in the XRECORD's inverted boundary
    void keepBlockClips();
    detail::DrawOrderTables drawOrder_;
    bool inObject_ = false;
    int objectGroupDepth_ = 0;  // inside 102 "{…" lists, whose 330s are reactors, not the owner

    detail::DxfEntityBuilder builder_;
    struct Shown {
        std::unique_ptr<AcDbEntity> entity;
        AcDbHandle handle;
        std::size_t start;      // where its record begins in the text
        AcDbHandle dictionary;  // its extension dictionary, 0 when none
    };
    std::vector<Shown> shown_;
    void takeShown(std::size_t start)
    {
        AcDbHandle handle = 0;
        if (auto entity = builder_.takeFinished(handle))
            shown_.push_back({std::move(entity), handle, start, builder_.finishedExtensionDictionary()});
    }
    // Where each top-level record of ENTITIES begins, in order, and the section's end:
    // a record ends where the next one begins.
    std::vector<std::size_t> entityStarts_;
    detail::AppDataObjects appDataObjects_;
};

void DxfLoader::noteHandle(const DxfPair& pair)
{
    // DIMSTYLE entries carry their handle in 105; their code 5 is an old block name.
    const bool isHandle = pair.code == 105 || (pair.code == 5 && entryType_ != "DIMSTYLE");
    unsigned long long handle = 0;
    if (isHandle && detail::parseHandle(pair.value, handle)) {
        anyHandle_ = true;
        if (handle > maxHandle_)
            maxHandle_ = handle;
    }
}

void DxfLoader::headerPair(const DxfPair& pair)
{
    if (pair.code == 9) {
        headerVariable_ = std::string(detail::trimmed(pair.value));
        return;
    }
    if (headerVariable_ == "$ACADVER" && pair.code == 1) {
        source_->version = std::string(detail::trimmed(pair.value));
    } else if (headerVariable_ == "$HANDSEED" && pair.code == 5) {
        unsigned long long seed = 0;
        if (detail::parseHandle(pair.value, seed))
            fileHandseed_ = seed;
        source_->handseedValue = pair.valueOffset;
        source_->handseedValueLength = pair.value.size();
    } else if (headerVariable_ == "$CLAYER" && pair.code == 8) {
        clayer_ = std::string(detail::trimmed(pair.value));
        source_->clayerValue = pair.valueOffset;
        source_->clayerValueLength = pair.value.size();
    } else if (headerVariable_ == "$HANDLING" && pair.code == 70) {
        detail::parseInt(pair.value, handling_);
    } else if (headerVariable_ == "$DWGCODEPAGE" && pair.code == 3) {
        settings_.codePage = detail::codePageNamed(pair.value);
        if (settings_.codePage != base::CodePage::latin1)
            source_->codePage = settings_.codePage;
    } else if (headerVariable_ == "$DIMASZ" && pair.code == 40) {
        detail::parseDouble(pair.value, settings_.arrowSize);
    } else if (headerVariable_ == "$DIMSCALE" && pair.code == 40) {
        detail::parseDouble(pair.value, settings_.dimScale);
    } else if (headerVariable_ == "$LTSCALE" && pair.code == 40) {
        double scale = 0;
        if (detail::parseDouble(pair.value, scale) && scale > 0 && std::isfinite(scale))
            db::detail::DatabaseAccess::linetypes(db_).scale = scale;
    }
}

void DxfLoader::finishTableEntry(std::size_t end)
{
    if (entryType_ == "TABLE" && !table_.empty()) {
        if (source_->tableHeads.count(table_))
            tableFault(tableLine_, tableStart_, "the " + table_ + " table appears twice");
        source_->tableHeads[table_] = {tableStart_, end};
    } else if (!entryType_.empty() && entryType_ != "ENDTAB" && !table_.empty()) {
        source_->tableRecords.push_back({table_, entryName_, entryHandle_, {entryStart_, end}});
    }
    const std::wstring name = detail::dxfText(entryName_, settings_.codePage);
    if (entryType_ == "BLOCK_RECORD") {
        if (db::detail::sameBlockName(name, L"*Model_Space"))
            source_->modelSpaceRecord = entryHandle_;
        else if (db::detail::sameBlockName(name, L"*Paper_Space"))
            source_->paperSpaceRecord = entryHandle_;
    } else if (entryType_ == "LAYER" && !entryName_.empty()) {
        // A negative colour marks a layer that is off; its colour is the absolute value.
        // Numbers outside the palette give the usual colour 7.
        AcDbLayerAppearance layer;
        layer.off = entryColor_ < 0;
        const long long index = entryColor_ < 0 && entryColor_ >= -255 ? -entryColor_ : entryColor_;
        layer.colorIndex = db::isPaletteIndex(index) ? static_cast<int>(index) : 7;
        layer.frozen = (entryFlags_ & 1) != 0;
        if (entryTrueColor_ >= 0 && entryTrueColor_ <= 0xFFFFFFFFLL)
            layer.trueColor = static_cast<std::int32_t>(entryTrueColor_ & 0xFFFFFF);
        db::detail::DatabaseAccess::setLayer(db_, name, layer, entryHandle_);
        if (!entryLinetype_.empty())
            db::detail::DatabaseAccess::linetypes(db_).layerLinetypes[upperCase(name)] = upperCase(entryLinetype_);
    } else if (entryType_ == "LTYPE" && !entryName_.empty()) {
        // Only patterns with gaps or dots are kept: the others draw solid, and a drawing
        // without any need look nothing up.
        if (std::any_of(entryDashes_.begin(), entryDashes_.end(), [](double d) { return d <= 0; }))
            db::detail::DatabaseAccess::linetypes(db_).patterns[upperCase(name)] = std::move(entryDashes_);
    } else if (entryType_ == "STYLE" && !entryName_.empty()) {
        db::detail::DatabaseAccess::textStyles(db_)[upperCase(name)] = std::move(entryFont_);
    } else if (entryType_ == "DIMSTYLE" && !entryName_.empty()) {
        settings_.dimStyles.push_back({std::string(detail::trimmed(entryName_)), entryArrowSize_, entryDimScale_});
    }
    entryType_.clear();
    entryHandle_ = 0;
    entryName_.clear();
    entryColor_ = 7;
    entryFlags_ = 0;
    entryTrueColor_ = -1;
    entryArrowSize_ = 0.18;
    entryDimScale_ = 1.0;
    entryLinetype_.clear();
    entryDashes_.clear();
    entryFont_ = {};
    entryAcadData_ = false;
}

void DxfLoader::tablePair(const DxfPair& pair)
{
    if (pair.code == 0) {
        finishTableEntry(pair.offset);
        entryType_ = std::string(detail::trimmed(pair.value));
        entryStart_ = pair.offset;
        if (entryType_ == "TABLE") {
            if (inTable_)
                tableFault(pair.line, pair.offset, "a table begins inside " + tableNamed());
            table_.clear();
            inTable_ = true;
            tableStart_ = pair.offset;
            tableLine_ = pair.line;
        } else if (entryType_ == "ENDTAB") {
            if (!inTable_)
                tableFault(pair.line, pair.offset, "an ENDTAB outside a table");
            else if (!table_.empty())
                source_->tableEnds[table_] = pair.offset;
            inTable_ = false;
        } else if (!inTable_) {
            tableFault(pair.line, pair.offset, "a \"" + entryType_ + "\" record outside a table");
        } else if (entryType_ != table_) {
            tableFault(pair.line, pair.offset, "a \"" + entryType_ + "\" record in " + tableNamed());
        }
        return;
    }
    unsigned long long handle = 0;
    if (entryType_ == "TABLE") {
        if (pair.code == 2) {
            table_ = std::string(detail::trimmed(pair.value));
        } else if (pair.code == 5 && detail::parseHandle(pair.value, handle)) {
            if (table_ == "BLOCK_RECORD")
                blockRecordTable_ = handle;
            if (!table_.empty())
                source_->tableHandles[table_] = handle;
        }
        return;
    }
    if ((pair.code == 5 || pair.code == 105) && detail::parseHandle(pair.value, handle) && entryType_ != "DIMSTYLE")
        entryHandle_ = handle;
    else if (pair.code == 2)
        entryName_ = std::string(pair.value);
    else if (pair.code == 62 && !detail::parseInt(pair.value, entryColor_))
        entryColor_ = 7;
    else if (pair.code == 70 && !detail::parseInt(pair.value, entryFlags_))
        entryFlags_ = 0;
    else if (pair.code == 420 && !detail::parseInt(pair.value, entryTrueColor_))
        entryTrueColor_ = -1;
    else if (entryType_ == "STYLE" && pair.code == 3)
        entryFont_.file = detail::dxfText(detail::trimmed(pair.value), settings_.codePage);
    else if (entryType_ == "STYLE" && pair.code == 1001)
        entryAcadData_ = detail::trimmed(pair.value) == "ACAD";
    else if (entryType_ == "STYLE" && pair.code == 1000 && entryAcadData_ && entryFont_.family.empty())
        entryFont_.family = detail::dxfText(detail::trimmed(pair.value), settings_.codePage);
    else if (entryType_ == "STYLE" && pair.code == 1071 && entryAcadData_) {
        // The family's slant and weight in the bits of its character set word.
        long long flags = 0;
        if (detail::parseInt(pair.value, flags)) {
            entryFont_.italic = (flags & 0x1000000) != 0;
            entryFont_.bold = (flags & 0x2000000) != 0;
        }
    } else if (pair.code == 6 && entryType_ == "LAYER")
        entryLinetype_ = detail::dxfText(detail::trimmed(pair.value), settings_.codePage);
    else if (pair.code == 49 && entryType_ == "LTYPE") {
        // Shapes and text of a complex linetype (74 after their 49) are left out; their
        // length stays in the pattern.
        double dash = 0;
        if (detail::parseDouble(pair.value, dash) && std::isfinite(dash))
            entryDashes_.push_back(dash);
    } else if (pair.code == 41 && entryType_ == "DIMSTYLE" && !detail::parseDouble(pair.value, entryArrowSize_))
        entryArrowSize_ = 0.18;
    else if (pair.code == 40 && entryType_ == "DIMSTYLE" && !detail::parseDouble(pair.value, entryDimScale_))
        entryDimScale_ = 1.0;
}

void DxfLoader::entityStarts(const DxfPair& pair)
{
    // Followers belong to the POLYLINE or INSERT before them: deleting that entity
    // deletes them too.
    const std::string_view type = detail::trimmed(pair.value);
    if (type != "VERTEX" && type != "SEQEND" && type != "ATTRIB")
        entityStarts_.push_back(pair.offset);
}

void DxfLoader::setEntitySpans()
{
    source_->entitySpans.reserve(source_->entitySpans.size() + shown_.size());
    // The entities come in the order of their records: each search starts where the
    // one before ended.
    auto from = entityStarts_.begin();
    std::size_t last = 0;
    for (const Shown& s : shown_) {
        if (s.start < last)
            from = entityStarts_.begin();
        last = s.start;
        const auto next = std::upper_bound(from, entityStarts_.end(), s.start);
        from = next;
        if (next != entityStarts_.end())
            source_->entitySpans[s.entity.get()] = {s.start, *next};
    }
}

void DxfLoader::finishObject(std::size_t end)
{
    if (!inObject_)
        return;
    object_.span.end = end;
    if (objectKind_ == ObjectKind::dictionary && source_->rootDictionary == 0)
        source_->rootDictionary = object_.handle;
    if (objectKind_ == ObjectKind::spatialFilter && object_.handle != 0)
        filters_[object_.handle] = std::move(filter_);
    filter_ = {};
    if (objectKind_ == ObjectKind::dictionary && object_.handle != 0)
        dictionaryOwners_[object_.handle] = object_.owner;
    if (objectKind_ == ObjectKind::xrecord && object_.handle != 0 && !xrecordPoints_.empty())
        invertedBoundaries_[object_.handle] = std::move(xrecordPoints_);
    xrecordPoints_.clear();
    invertedPoints_ = false;
    if (objectKind_ == ObjectKind::sortents)
        drawOrder_.finish();
    entryName330_.clear();
    source_->objects.push_back(std::move(object_));
    object_ = {};
    inObject_ = false;
}

void DxfLoader::objectsPair(const DxfPair& pair)
{
    if (pair.code == 0) {
        finishObject(pair.offset);
        object_.type = std::string(detail::trimmed(pair.value));
        objectKind_ = object_.type == "DICTIONARY"       ? ObjectKind::dictionary
                      : object_.type == "SORTENTSTABLE"  ? ObjectKind::sortents
                      : object_.type == "SPATIAL_FILTER" ? ObjectKind::spatialFilter
                      : object_.type == "XRECORD"        ? ObjectKind::xrecord
                                                         : ObjectKind::other;
        object_.span.begin = pair.offset;
        inObject_ = true;
        objectGroupDepth_ = 0;
        if (objectKind_ == ObjectKind::sortents)
            drawOrder_.start();
        return;
    }
    if (!inObject_)
        return;
    if (objectKind_ == ObjectKind::sortents && objectGroupDepth_ == 0 && pair.code != 102)
        drawOrder_.pair(pair.code, pair.value);
    unsigned long long handle = 0;
    if (pair.code == 102) {
        const std::string_view v = detail::trimmed(pair.value);
        if (!v.empty() && v.front() == '{')
            ++objectGroupDepth_;
        else if (v == "}" && objectGroupDepth_ > 0)
            --objectGroupDepth_;
        else if (objectKind_ == ObjectKind::xrecord && objectGroupDepth_ == 0)
            invertedPoints_ = v == "ACAD_INVERTEDCLIP_ROUNDTRIP";
    } else if (invertedPoints_ && (pair.code == 10 || pair.code == 20)) {
        double v = 0;
        if (!detail::parseDouble(pair.value, v) || !std::isfinite(v)) {
            xrecordPoints_.clear();  // a damaged boundary is left out whole
            invertedPoints_ = false;
        }
        else if (pair.code == 10)
            xrecordPoints_.push_back({v, 0});
        else if (!xrecordPoints_.empty())
            xrecordPoints_.back().y = v;
    } else if (pair.code == 5 && object_.handle == 0 && detail::parseHandle(pair.value, handle)) {
        object_.handle = handle;
    } else if (pair.code == 330 && object_.owner == 0 && objectGroupDepth_ == 0 &&
               detail::parseHandle(pair.value, handle)) {
        object_.owner = handle;
    } else if (objectKind_ == ObjectKind::dictionary && objectGroupDepth_ == 0) {
        if (pair.code == 3)
            entryName330_ = std::string(detail::trimmed(pair.value));
        else if ((pair.code == 350 || pair.code == 360) && !entryName330_.empty() &&
                 detail::parseHandle(pair.value, handle) && object_.handle != 0)
            dictionaries_[object_.handle][entryName330_] = handle;
    } else if (objectKind_ == ObjectKind::spatialFilter && objectGroupDepth_ == 0) {
        double v = 0;
        long long flag = 0;
        const bool number = detail::parseDouble(pair.value, v) && std::isfinite(v);
        switch (pair.code) {
        case 10: if (number) filter_.points.push_back({v, 0}); break;
        case 20: if (number && !filter_.points.empty()) filter_.points.back().y = v; break;
        case 210: if (number) filter_.normal.x = v; break;
        case 220: if (number) filter_.normal.y = v; break;
        case 230: if (number) filter_.normal.z = v; break;
        case 11: if (number) filter_.origin.x = v; break;
        case 21: if (number) filter_.origin.y = v; break;
        case 31: if (number) filter_.origin.z = v; break;
        case 71: if (detail::parseInt(pair.value, flag)) filter_.enabled = flag != 0; break;
        case 72: if (detail::parseInt(pair.value, flag)) filter_.frontClip = flag; break;
        case 40: if (number) filter_.values.push_back(v); break;
        default: break;
        }
    }
}

namespace {

// Two corners stand for the rectangle they span.
std::vector<AcGePoint2d> ringOf(std::vector<AcGePoint2d> points)
{
    if (points.size() == 2) {
        const AcGePoint2d a = points[0], b = points[1];
        points = {a, {b.x, a.y}, b, {a.x, b.y}};
    }
    return points;
}

// What lies outside `hole` as one ring for an even-odd test: a frame around `around` and
// the hole, then a cut in to the hole, the hole, and the cut back, whose two sides cancel.
std::vector<AcGePoint2d> outsideOf(const std::vector<AcGePoint2d>& around, const std::vector<AcGePoint2d>& hole)
{
    double x0 = hole[0].x, x1 = x0, y0 = hole[0].y, y1 = y0;
    for (const auto* points : {&around, &hole}) {
        for (const AcGePoint2d& p : *points) {
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    }
    const double margin = std::max(x1 - x0, y1 - y0) * 0.05 + 1e-9;
    x0 -= margin, x1 += margin, y0 -= margin, y1 += margin;
    std::vector<AcGePoint2d> ring{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    ring.insert(ring.end(), hole.begin(), hole.end());
    ring.push_back(hole.front());
    return ring;
}

} // namespace

void DxfLoader::keepBlockClips()
{
    std::map<AcDbHandle, AcDbHandle> dictionaryOf;  // owner to its extension dictionary
    for (const auto& [dictionary, owner] : dictionaryOwners_)
        dictionaryOf[owner] = dictionary;
    const auto entry = [&](AcDbHandle dictionary, const char* name) -> AcDbHandle {
        const auto d = dictionaries_.find(dictionary);
        if (d == dictionaries_.end())
            return 0;
        const auto e = d->second.find(name);
        return e == d->second.end() ? 0 : e->second;
    };
    for (const auto& [handle, entries] : dictionaries_) {
        (void)entries;
        const auto f = filters_.find(entry(entry(handle, "ACAD_FILTER"), "SPATIAL"));
        if (f == filters_.end() || f->second.points.size() < 2 || !f->second.enabled)
            continue;
        const SpatialFilter& sf = f->second;
        std::vector<AcGePoint2d> boundary = ringOf(sf.points);
        const auto owned = dictionaryOf.find(f->first);
        if (owned != dictionaryOf.end()) {
            const auto inverted = invertedBoundaries_.find(entry(owned->second, "ACAD_XREC_ROUNDTRIP"));
            if (inverted != invertedBoundaries_.end() && inverted->second.size() >= 2)
                boundary = outsideOf(boundary, ringOf(inverted->second));
        }
        // The boundary lies in the plane of its normal through its origin, in the
        // drawing's coordinates when it was made; the first of the two matrices (3 rows
        // of 4) takes it into the block's coordinates.
        const db::detail::Xform ocs = db::detail::Xform::ocs(sf.normal);
        const std::size_t first = sf.frontClip == 1 ? 1 : 0;
        const bool matrix = sf.values.size() >= first + 12;
        std::vector<AcGePoint2d> inBlock;
        for (const AcGePoint2d& p : boundary) {
            const AcGeVector3d d = ocs.applyVector({p.x, p.y, 0});
            const double x = sf.origin.x + d.x, y = sf.origin.y + d.y, z = sf.origin.z + d.z;
            if (!matrix) {
                inBlock.push_back({x, y});
                continue;
            }
            const double* m = sf.values.data() + first;
            inBlock.push_back({m[0] * x + m[1] * y + m[2] * z + m[3], m[4] * x + m[5] * y + m[6] * z + m[7]});
        }
        db::detail::DatabaseAccess::blockClips(db_)[handle] = std::move(inBlock);
    }
}

void DxfLoader::takeBlockEntity()
{
    AcDbHandle handle = 0;
    auto entity = blockBuilder_.takeFinished(handle);
    if (entity && !blocks_.empty() && !blockSkipped_)
        blocks_.back().entities.emplace_back(std::move(entity), handle);
}

void DxfLoader::blocksPair(const DxfPair& pair)
{
    if (pair.code == 0) {
        const std::string_view type = detail::trimmed(pair.value);
        if (type == "BLOCK") {
            blockBuilder_.end();
            takeBlockEntity();
            blocks_.emplace_back();
            inBlockHeader_ = true;
            blockSkipped_ = false;
            return;
        }
        inBlockHeader_ = false;
        // ENDBLK ends the last entity of the block (and is not one itself).
        blockBuilder_.begin(type == "ENDBLK" ? std::string_view() : type);
        takeBlockEntity();
        return;
    }
    if (!inBlockHeader_) {
        blockBuilder_.feed(pair.code, pair.value);
        return;
    }
    if (blocks_.empty())
        return;
    BlockDefinition& block = blocks_.back();
    double v = 0;
    unsigned long long handle = 0;
    switch (pair.code) {
    case 2: {
        block.name = detail::dxfText(detail::trimmed(pair.value), settings_.codePage);
        // Layouts are drawn from ENTITIES (model space) or not at all (paper space).
        const std::wstring& n = block.name;
        const auto starts = [&](const wchar_t* prefix) {
            const std::wstring p(prefix);
            return n.size() >= p.size() && db::detail::sameBlockName(n.substr(0, p.size()), p.c_str());
        };
        blockSkipped_ = starts(L"*Model_Space") || starts(L"*Paper_Space");
        break;
    }
    case 5:
        if (detail::parseHandle(pair.value, handle))
            block.handle = handle;
        break;
    case 330:
        if (block.record == 0 && detail::parseHandle(pair.value, handle))
            block.record = handle;
        break;
    case 10: if (detail::parseDouble(pair.value, v)) block.origin.x = v; break;
    case 20: if (detail::parseDouble(pair.value, v)) block.origin.y = v; break;
    case 30: if (detail::parseDouble(pair.value, v)) block.origin.z = v; break;
    default: break;
    }
}

DxfResult DxfLoader::load(std::size_t start)
{
    const std::string_view text = source_->text;
    DxfPairScanner scanner(text, start);
    DxfPair pair;
    bool first = true;
    bool expectSectionName = false;
    bool sawEof = false;
    std::size_t sectionStart = 0;
    std::size_t lastLine = 0;
    for (;;) {
        const DxfPairScanner::Step step = scanner.next(pair);
        if (step == DxfPairScanner::Step::end)
            break;
        if (step == DxfPairScanner::Step::badCode) {
            if (first)
                return failure(DxfStatus::notDxf, path_, "it is not a DXF file (it does not begin with a SECTION)");
            std::string shown(pair.value.substr(0, 40));
            return failureAt(DxfStatus::malformed, path_,
                             "line " + std::to_string(pair.line) + ": a group code was expected, found \"" + shown + "\"",
                             pair);
        }
        if (step == DxfPairScanner::Step::missingValue) {
            return failureAt(DxfStatus::truncated, path_,
                             "the file ends after the group code on line " + std::to_string(pair.line), pair);
        }
        // The line after the last value: where a missing end marker belongs.
        lastLine = pair.line + 2;
        if (pair.code == 999)  // comment
            continue;
        if (first) {
            first = false;
            if (pair.code != 0 || detail::trimmed(pair.value) != "SECTION")
                return failure(DxfStatus::notDxf, path_, "it is not a DXF file (it does not begin with a SECTION)");
            source_->firstSection = pair.offset;
        }
        if (expectSectionName) {
            expectSectionName = false;
            // An empty SECTION without a name just before the end (some programs leave
            // one) holds nothing: read on, with a warning.
            const std::string_view next = detail::trimmed(pair.value);
            if (pair.code == 0 && (next == "ENDSEC" || next == "EOF")) {
                lenient("line " + std::to_string(pair.line) + ": an empty section without a name", pair.line, pair.offset);
                if (next == "ENDSEC")
                    continue;
                if (source_->entitiesInsert == DxfSource::npos)
                    source_->entitiesInsert = pair.offset;
                source_->objectsInsert = pair.offset;
                sawEof = true;
                break;
            }
            if (pair.code != 2)
                return structureError(pair, "a section name was expected");
            sectionName_ = std::string(detail::trimmed(pair.value));
            // Other programs know the sections only by their upper-case names and would
            // see an empty drawing; adding to it would write a second HEADER.
            for (const char* known : {"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS", "THUMBNAILIMAGE"}) {
                const std::string_view k(known);
                if (sectionName_ != k && sectionName_.size() == k.size() &&
                    std::equal(k.begin(), k.end(), sectionName_.begin(),
                               [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); }))
                    return structureError(pair, "the section name \"" + sectionName_ + "\" must be written \"" +
                                                    std::string(k) + "\"");
            }
            section_ = sectionName_ == "HEADER"     ? Section::header
                       : sectionName_ == "CLASSES"  ? Section::classes
                       : sectionName_ == "TABLES"   ? Section::tables
                       : sectionName_ == "BLOCKS"   ? Section::blocks
                       : sectionName_ == "ENTITIES" ? Section::entities
                       : sectionName_ == "OBJECTS"  ? Section::objects
                                                    : Section::other;
            // A second HEADER or ENTITIES would leave readers disagreeing about which one
            // counts (and where new entities belong): refuse such a file.
            if (section_ != Section::other) {
                const unsigned bit = 1u << static_cast<unsigned>(section_);
                if (seenSections_ & bit)
                    return structureError(pair, "the " + sectionName_ + " section appears twice");
                seenSections_ |= bit;
            }
            if (section_ == Section::blocks)
                sawBlocksSection_ = true;
            if (section_ == Section::entities) {
                sawEntitiesSection_ = true;
                if (source_->paperSpaceRecord != source_->modelSpaceRecord)
                    builder_.setPaperSpaceRecord(source_->paperSpaceRecord);
            }
            // A missing ENTITIES section goes in before the first section that follows BLOCKS.
            if (section_ != Section::entities && section_ != Section::blocks && sawBlocksSection_ &&
                !sawEntitiesSection_ && source_->entitiesInsert == DxfSource::npos)
                source_->entitiesInsert = sectionStart;
            continue;
        }
        if (pair.code == 0) {
            const std::string_view type = detail::trimmed(pair.value);
            if (type == "SECTION") {
                if (section_ != Section::none)
                    return structureError(pair, "SECTION inside the " + sectionName_ + " section");
                expectSectionName = true;
                sectionStart = pair.offset;
                continue;
            }
            if (type == "ENDSEC") {
                if (section_ == Section::none)
                    return structureError(pair, "ENDSEC outside a section");
                if (section_ == Section::header)
                    source_->headerEnd = pair.offset;
                if (section_ == Section::objects)
                    appDataObjects_.end();
                if (section_ == Section::tables) {
                    finishTableEntry(pair.offset);
                    if (inTable_)
                        tableFault(pair.line, pair.offset, tableNamed() + " has no end");
                    inTable_ = false;
                }
                if (section_ == Section::objects) {
                    finishObject(pair.offset);
                    source_->objectsEnd = pair.offset;
                }
                if (section_ == Section::blocks) {
                    blockBuilder_.end();
                    takeBlockEntity();
                }
                if (section_ == Section::entities) {
                    source_->entitiesEnd = pair.offset;
                    const std::size_t started = entityStarts_.empty() ? pair.offset : entityStarts_.back();
                    entityStarts_.push_back(pair.offset);
                    builder_.end();
                    takeShown(started);
                    noteUnshown();
                }
                section_ = Section::none;
                continue;
            }
            if (type == "EOF") {
                if (section_ != Section::none)
                    return structureError(pair, "EOF inside the " + sectionName_ + " section");
                if (source_->entitiesInsert == DxfSource::npos)
                    source_->entitiesInsert = pair.offset;
                source_->objectsInsert = pair.offset;
                sawEof = true;
                break;
            }
            if (section_ == Section::none)
                return structureError(pair, "\"" + std::string(type.substr(0, 40)) + "\" outside a section");
        }
        if (section_ == Section::none)
            return structureError(pair, "group code " + std::to_string(pair.code) + " outside a section");
        if (section_ != Section::header)
            noteHandle(pair);
        switch (section_) {
        case Section::header:
            headerPair(pair);
            break;
        case Section::tables:
            tablePair(pair);
            break;
        case Section::blocks:
            blocksPair(pair);
            break;
        case Section::entities:
            if (pair.code == 0) {
                // The entity that a new record finishes began at the last top-level start
                // before this record.
                const std::size_t started = entityStarts_.empty() ? pair.offset : entityStarts_.back();
                entityStarts(pair);
                builder_.begin(detail::trimmed(pair.value));
                takeShown(started);
                noteUnshown();
            } else {
                builder_.feed(pair.code, pair.value);
            }
            break;
        case Section::objects:
            objectsPair(pair);
            appDataObjects_.feed(pair.code, pair.value, settings_.codePage);
            break;
        default:
            break;
        }
    }
    if (!sawEof) {
        if (first)
            return failure(DxfStatus::notDxf, path_, "it is not a DXF file (it does not begin with a SECTION)");
        if (section_ != Section::none || expectSectionName) {
            // Where it ends: the line after the last value.
            DxfResult cut = failure(DxfStatus::truncated, path_,
                                    "the file ends inside the " +
                                        (expectSectionName ? std::string("unnamed") : sectionName_) + " section");
            cut.line = static_cast<long>(lastLine);
            cut.offset = static_cast<std::int64_t>(text.size());
            return cut;
        }
        // Everything was read; only the end marker is missing.
        lenient("the file ends without the EOF marker", lastLine, text.size());
    }
    finish();
    DxfResult result;
    result.path = path_;
    if (!warning_.empty()) {
        result.warning = "\"" + path_ + "\": " + warning_ + ".";
        result.warningLine = warningLine_;
        result.warningOffset = warningOffset_;
        source_->writeRefusal = "the file was read leniently (" + warning_ + "); it is not written to, so that nothing in it is lost";
    }
    return result;
}

void DxfLoader::finish()
{
    keepBlockClips();
    DxfSource& src = *source_;
    const std::string& v = src.version;
    // Versions are "AC" and four digits; R12 is AC1009, R13 AC1012, R14 AC1014.
    const bool known = v.size() == 6 && startsWith(v, "AC");
    const bool beforeR13 = !known || v < "AC1012";
    src.legacyEntities = beforeR13;
    src.usesHandles = beforeR13 ? (handling_ == 1 || (handling_ == -1 && anyHandle_)) : true;
    // A drawing without a *Model_Space block record (a minimal file of ENTITIES only)
    // takes new entities without an owner, as other readers accept.
    if (known && v == "AC1012")
        src.appendRefusal = "adding entities to R13 (AC1012) drawings is not supported; "
                            "save the drawing as R2000 or later first";
    // Added lines end as the file's first line does: LF, CR LF or CR alone.
    if (const std::size_t end = src.text.find_first_of("\r\n"); end != std::string::npos && src.text[end] == '\r')
        src.newline = end + 1 < src.text.size() && src.text[end + 1] == '\n' ? "\r\n" : "\r";

    // New handles go above the file's seed and above every handle in the file, in case
    // the file's writer left a stale seed; the block records a file lacks draw from there.
    AcDbHandle seed = 1;
    if (fileHandseed_ > seed)
        seed = fileHandseed_;
    if (anyHandle_ && maxHandle_ + 1 > seed)
        seed = maxHandle_ + 1;
    using db::detail::DatabaseAccess;
    DatabaseAccess::setHandseed(db_, seed);
    DatabaseAccess::createBlockTable(db_, beforeR13 ? 0 : blockRecordTable_);
    AcDbBlockTableRecord* model = DatabaseAccess::addBlockRecord(db_, L"*Model_Space", src.modelSpaceRecord);
    DatabaseAccess::addBlockRecord(db_, L"*Paper_Space", src.paperSpaceRecord);
    for (BlockDefinition& b : blocks_) {
        if (b.name.empty() || DatabaseAccess::record(db_, b.name.c_str()))
            continue;  // a layout block, or a name given twice: the first one counts
        AcDbBlockTableRecord* record = DatabaseAccess::addBlockRecord(db_, b.name, b.handle);
        DatabaseAccess::setBlockOrigin(*record, b.origin);
        std::vector<AcDbHandle> handles;
        for (const auto& e : b.entities)
            handles.push_back(e.second);
        for (std::size_t i : drawOrder_.order(b.record, handles))
            DatabaseAccess::addFileEntity(db_, *record, std::move(b.entities[i].first), b.entities[i].second);
    }
    blocks_.clear();
    setEntitySpans();
    std::vector<AcDbHandle> handles;
    for (const Shown& s : shown_)
        handles.push_back(s.handle);
    for (std::size_t i : drawOrder_.order(src.modelSpaceRecord, handles)) {
        Shown& s = shown_[i];
        // Data too large for extended data lives in an XRECORD of the extension dictionary.
        if (s.dictionary != 0 && s.entity->appData().empty())
            if (AcDbAppData data = appDataObjects_.dataFor(s.dictionary); !data.empty())
                s.entity->setAppData(std::move(data));
        DatabaseAccess::addFileEntity(db_, *model, std::move(s.entity), s.handle);
    }
    shown_.clear();
    // A current layer the file does not define (or a frozen one) leaves layer 0 current.
    if (!clayer_.empty())
        db_.setClayer(detail::dxfText(clayer_, settings_.codePage));
    source_->clayer = db_.clayer();
}

} // namespace

DxfResult readDxfText(std::string text, const std::string& path, std::unique_ptr<AcDbDatabase>& database)
{
    database.reset();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos)
        return failure(DxfStatus::notDxf, path, "the file is empty");
    if (startsWith(text, "AutoCAD Binary DXF"))
        return failure(DxfStatus::binaryDxf, path, "it is a binary DXF file; only ASCII DXF files can be opened");
    if (startsWith(text, "AC10") || startsWith(text, "AC1.") || startsWith(text, "AC2."))
        return failure(DxfStatus::notDxf, path, "it is a DWG drawing, not a DXF file");
    std::size_t start = 0;
    if (startsWith(text, "\xEF\xBB\xBF"))  // byte order mark
        start = 3;

    auto source = std::make_shared<DxfSource>();
    source->text = std::move(text);
    auto db = std::make_unique<AcDbDatabase>(false);
    DxfLoader loader(path, source, *db);
    DxfResult result = loader.load(start);
    if (!result.ok())
        return result;
    db::detail::DatabaseAccess::setSource(*db, std::move(source));
    db->setModified(false);
    database = std::move(db);
    return result;
}

DxfResult readDxf(const std::string& path, std::unique_ptr<AcDbDatabase>& database, base::FileIdentity* identity,
                  base::FileLock* lock)
{
    database.reset();
    const base::SaveRecovery recovery = base::recoverInterruptedSave(path);
    base::FileForUpdate file;
    int error = 0;
    if (lock) {
        error = base::readFileForUpdate(path, file);
        if (error == 0 && !file.identity.exists)
            error = ENOENT;
    } else {
        error = base::readFileBytes(path, file.bytes, &file.identity);
    }
    if (error != 0)
        return failure(DxfStatus::fileAccess, path, readFailureReason(error));
    DxfResult result = readDxfText(std::move(file.bytes), path, database);
    result.notice = recovery.message;
    if (result.ok()) {
        if (identity)
            *identity = file.identity;
        if (lock)
            *lock = std::move(file.lock);
    }
    return result;
}

} // namespace plotwright::dxf
