#include "dxf/file.h"

#include "base/file_bytes.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "db/access.h"
#include "db/database.h"
#include "dxf/entity_builder.h"
#include "dxf/scan.h"
#include "dxf/source.h"

namespace plotwright::dxf {

using detail::DxfPair;
using detail::DxfPairScanner;

namespace {

DxfResult failure(DxfStatus status, const std::string& path, const std::string& reason)
{
    return {status, "Cannot open \"" + path + "\": " + reason + "."};
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
    }

    DxfResult load(std::size_t start);

private:
    enum class Section { none, header, classes, tables, blocks, entities, objects, other };

    DxfResult structureError(const DxfPair& pair, const std::string& what) const
    {
        return failure(DxfStatus::malformed, path_, "line " + std::to_string(pair.line) + ": " + what);
    }
    void headerPair(const DxfPair& pair);
    void tablePair(const DxfPair& pair);
    void finishTableEntry();
    void noteHandle(const DxfPair& pair);
    void finish();

    const std::string& path_;
    std::shared_ptr<DxfSource> source_;
    AcDbDatabase& db_;

    Section section_ = Section::none;
    std::string sectionName_;
    bool sawEntitiesSection_ = false;
    bool sawBlocksSection_ = false;
    unsigned seenSections_ = 0;  // bit per standard section: each may appear once

    std::string headerVariable_;
    long long handling_ = -1;
    AcDbHandle fileHandseed_ = 0;
    AcDbHandle maxHandle_ = 0;
    bool anyHandle_ = false;

    // The table being read and its current entry.
    std::string table_;
    std::string entryType_;
    AcDbHandle entryHandle_ = 0;
    std::string entryName_;
    long long entryColor_ = 7;
    AcDbHandle blockRecordTable_ = 0;

    detail::DxfEntityBuilder builder_;
    struct Shown {
        std::unique_ptr<AcDbEntity> entity;
        AcDbHandle handle;
    };
    std::vector<Shown> shown_;
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
    } else if (headerVariable_ == "$HANDLING" && pair.code == 70) {
        detail::parseInt(pair.value, handling_);
    }
}

void DxfLoader::finishTableEntry()
{
    const std::wstring name = detail::dxfText(entryName_);
    if (entryType_ == "BLOCK_RECORD") {
        if (db::detail::sameBlockName(name, L"*Model_Space"))
            source_->modelSpaceRecord = entryHandle_;
        else if (db::detail::sameBlockName(name, L"*Paper_Space"))
            source_->paperSpaceRecord = entryHandle_;
    } else if (entryType_ == "LAYER" && !entryName_.empty()) {
        // A negative colour marks a layer that is off; its colour is the absolute value.
        db::detail::DatabaseAccess::setLayerColor(db_, name, static_cast<int>(entryColor_ < 0 ? -entryColor_ : entryColor_));
    }
    entryType_.clear();
    entryHandle_ = 0;
    entryName_.clear();
    entryColor_ = 7;
}

void DxfLoader::tablePair(const DxfPair& pair)
{
    if (pair.code == 0) {
        finishTableEntry();
        if (pair.value == "TABLE")
            table_.clear();
        entryType_ = std::string(detail::trimmed(pair.value));
        return;
    }
    unsigned long long handle = 0;
    if (entryType_ == "TABLE") {
        if (pair.code == 2)
            table_ = std::string(detail::trimmed(pair.value));
        else if (pair.code == 5 && table_ == "BLOCK_RECORD" && detail::parseHandle(pair.value, handle))
            blockRecordTable_ = handle;
        return;
    }
    if ((pair.code == 5 || pair.code == 105) && detail::parseHandle(pair.value, handle) && entryType_ != "DIMSTYLE")
        entryHandle_ = handle;
    else if (pair.code == 2)
        entryName_ = std::string(pair.value);
    else if (pair.code == 62)
        detail::parseInt(pair.value, entryColor_);
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
    for (;;) {
        const DxfPairScanner::Step step = scanner.next(pair);
        if (step == DxfPairScanner::Step::end)
            break;
        if (step == DxfPairScanner::Step::badCode) {
            if (first)
                return failure(DxfStatus::notDxf, path_, "it is not a DXF file (it does not begin with a SECTION)");
            std::string shown(pair.value.substr(0, 40));
            return failure(DxfStatus::malformed, path_,
                           "line " + std::to_string(pair.line) + ": a group code was expected, found \"" + shown + "\"");
        }
        if (step == DxfPairScanner::Step::missingValue) {
            return failure(DxfStatus::truncated, path_,
                           "the file ends after the group code on line " + std::to_string(pair.line));
        }
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
            if (pair.code != 2)
                return structureError(pair, "a section name was expected");
            sectionName_ = std::string(detail::trimmed(pair.value));
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
                if (section_ == Section::tables)
                    finishTableEntry();
                if (section_ == Section::entities) {
                    source_->entitiesEnd = pair.offset;
                    builder_.end();
                    AcDbHandle handle = 0;
                    if (auto entity = builder_.takeFinished(handle))
                        shown_.push_back({std::move(entity), handle});
                }
                section_ = Section::none;
                continue;
            }
            if (type == "EOF") {
                if (section_ != Section::none)
                    return structureError(pair, "EOF inside the " + sectionName_ + " section");
                if (source_->entitiesInsert == DxfSource::npos)
                    source_->entitiesInsert = pair.offset;
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
        case Section::entities:
            if (pair.code == 0) {
                builder_.begin(detail::trimmed(pair.value));
                AcDbHandle handle = 0;
                if (auto entity = builder_.takeFinished(handle))
                    shown_.push_back({std::move(entity), handle});
            } else {
                builder_.feed(pair.code, pair.value);
            }
            break;
        default:
            break;
        }
    }
    if (!sawEof) {
        if (first)
            return failure(DxfStatus::notDxf, path_, "it is not a DXF file (it does not begin with a SECTION)");
        if (section_ != Section::none || expectSectionName)
            return failure(DxfStatus::truncated, path_,
                           "the file ends inside the " + (expectSectionName ? std::string("unnamed") : sectionName_) +
                               " section");
        return failure(DxfStatus::truncated, path_, "the file ends without the EOF marker");
    }
    finish();
    return {};
}

void DxfLoader::finish()
{
    DxfSource& src = *source_;
    const std::string& v = src.version;
    // Versions are "AC" and four digits; R12 is AC1009, R13 AC1012, R14 AC1014.
    const bool known = v.size() == 6 && startsWith(v, "AC");
    const bool beforeR13 = !known || v < "AC1012";
    src.legacyEntities = beforeR13;
    src.usesHandles = beforeR13 ? (handling_ == 1 || (handling_ == -1 && anyHandle_)) : true;
    if (known && v == "AC1012")
        src.appendRefusal = "adding entities to R13 (AC1012) drawings is not supported; "
                            "save the drawing as R2000 or later first";
    else if (!beforeR13 && src.modelSpaceRecord == 0)
        src.appendRefusal = "the drawing has no *Model_Space block record";
    if (const std::size_t lf = src.text.find('\n'); lf != std::string::npos && lf > 0 && src.text[lf - 1] == '\r')
        src.newline = "\r\n";

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
    for (Shown& s : shown_)
        DatabaseAccess::addFileEntity(db_, *model, std::move(s.entity), s.handle);
    shown_.clear();
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
    if (result.ok()) {
        if (identity)
            *identity = file.identity;
        if (lock)
            *lock = std::move(file.lock);
    }
    return result;
}

} // namespace plotwright::dxf
