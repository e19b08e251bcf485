#include "drawing_edits.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "base/utf8_text.h"
#include "curve/curve_definition.h"
#include "db/access.h"
#include "db/database.h"
#include "draw/drawn_curves.h"
#include "draw/place_curve.h"
#include "dxf/app_data_edits.h"
#include "dxf/file.h"
#include "dxf/scan.h"
#include "dxf/source.h"
#include "dxf/source_moves.h"
#include "dxf/writer.h"
#include "model/equation.h"

namespace plotwright::fuzz {

namespace {

using db::detail::DatabaseAccess;
using Span = dxf::DxfSource::SourceSpan;

class Script {
public:
    explicit Script(std::string_view bytes) : bytes_(bytes) {}
    bool done() const { return next_ >= bytes_.size(); }
    std::uint8_t byte() { return next_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[next_++]) : 0; }
    // A small signed step, in quarter units, so that moves add and take back exactly.
    double step() { return (static_cast<int>(byte()) - 128) * 0.25; }

private:
    std::string_view bytes_;
    std::size_t next_ = 0;
};

// The entities of model and paper space, erased ones included, in drawing order.
std::vector<AcDbEntity*> spaceEntities(const AcDbDatabase& db)
{
    std::vector<AcDbEntity*> out;
    for (const AcDbBlockTableRecord* record : DatabaseAccess::records(db)) {
        if (!db::detail::sameBlockName(record->name(), L"*Model_Space") &&
            !db::detail::sameBlockName(record->name(), L"*Paper_Space"))
            continue;
        for (AcDbEntity* e : DatabaseAccess::entities(*record))
            out.push_back(e);
    }
    return out;
}

CEquation scriptCurve(std::uint8_t which)
{
    CEquation equation;
    ParameterFields running{.name = L"t", .type = RunningVariable, .increment = 0.5, .minValue = 0, .maxValue = 6};
    switch (which % 4) {
    case 0:
        equation.SetType(ExplicitCartesian);
        equation.SetEquationY(L"x^2/4");
        running.name = L"x";
        break;
    case 1:  // broken where it is not finite: several pieces
        equation.SetType(ExplicitCartesian);
        equation.SetEquationY(L"1/(x-2)-1/(x-4.5)");
        running = {.name = L"x", .type = RunningVariable, .increment = 0.5, .minValue = 0, .maxValue = 6};
        break;
    case 2:
        equation.SetType(ParametricCartesian);
        equation.SetEquationX(L"a*(t-sin(t))");
        equation.SetEquationY(L"a*(1-cos(t))");
        equation.AddParameter(
            std::make_shared<CEquationParameter>(ParameterFields{.name = L"a", .type = Constant, .value = 2}));
        break;
    default:
        equation.SetType(ExplicitPolar);
        equation.SetEquationY(L"1+cos(t)");
        break;
    }
    equation.AddParameter(std::make_shared<CEquationParameter>(running));
    return equation;
}

curve::CurveOptions scriptOptions(Script& script)
{
    curve::CurveOptions options;
    const std::uint8_t b = script.byte();
    options.output = static_cast<curve::CurveOutput>(b % 3);
    if (b & 4)
        options.tolerance = 0.05;
    options.literalSteps = (b & 8) != 0;
    return options;
}

std::wstring scriptLayerName(Script& script)
{
    static const wchar_t letters[] = L"AB0_- $xé";
    std::wstring name;
    for (int n = script.byte() % 6 + 1; n > 0; --n)
        name += letters[script.byte() % (sizeof letters / sizeof letters[0] - 1)];
    return name;
}

// Applies one edit; true when the drawing changed.
bool applyEdit(AcDbDatabase& db, Script& script)
{
    const std::vector<AcDbEntity*> entities = spaceEntities(db);
    const std::uint8_t kind = script.byte() % 8;
    switch (kind) {
    case 0:
    case 1: {  // erase, restore
        if (entities.empty())
            return false;
        AcDbEntity* e = entities[script.byte() % entities.size()];
        return db.eraseEntity(e->objectId(), kind == 0) == Acad::eOk;
    }
    case 2: {  // move
        if (entities.empty())
            return false;
        AcDbEntity* e = entities[script.byte() % entities.size()];
        const double dx = script.step();
        const double dy = script.step();
        if (!dxf::canMoveInSource(db, *e))
            return false;
        return db.displaceEntity(e->objectId(), {dx, dy, 0}) == Acad::eOk;
    }
    case 3: {  // add a layer
        AcDbLayerAppearance look;
        look.colorIndex = script.byte() % 255 + 1;
        return db.addLayer(scriptLayerName(script), look) == Acad::eOk;
    }
    case 4: {  // change a layer
        const std::vector<AcDbLayerInfo> layers = db.layers();
        if (layers.empty())
            return false;
        AcDbLayerAppearance look = layers[script.byte() % layers.size()].appearance;
        const std::uint8_t b = script.byte();
        look.colorIndex = b % 255 + 1;
        look.off = (b & 1) != 0;
        look.frozen = (b & 2) != 0 && !(b & 4);
        look.trueColor = (b & 8) ? static_cast<std::int32_t>(b) * 0x010203 % 0x1000000 : -1;
        return db.setLayerAppearance(layers[b % layers.size()].name, look) == Acad::eOk;
    }
    case 5: {  // make a layer current
        const std::vector<AcDbLayerInfo> layers = db.layers();
        if (layers.empty())
            return false;
        return db.setClayer(layers[script.byte() % layers.size()].name) == Acad::eOk;
    }
    case 6: {  // draw a curve
        CEquation equation = scriptCurve(script.byte());
        const CurvePoint origin{script.step() * 4, script.step() * 4, 0};
        DrawOutcome outcome;
        PlaceCurveAt(equation, origin, scriptOptions(script), outcome);
        return !outcome.newIds.empty();
    }
    default: {  // redraw a drawn curve
        const std::vector<draw::DrawnCurve> curves = draw::drawnCurves(db);
        if (curves.empty())
            return false;
        const draw::DrawnCurve& curve = curves[script.byte() % curves.size()];
        CEquationPtr equation = curve::equationOf(curve.definition());
        if (!equation)
            return false;
        curve::CurveOptions options = scriptOptions(script);
        CurvePoint origin = curve.definition().origin;
        origin.x += script.step();
        DrawOutcome outcome;
        return draw::ReplaceDrawnCurve(curve, *equation, options, origin, outcome);
    }
    }
}

std::string writeToMemory(const AcDbDatabase& db, std::string& fault)
{
    const int fd = ::memfd_create("drawing-edits", 0);
    if (fd < 0) {
        fault = "no memory file";
        return {};
    }
    int error = 0;
    std::string text;
    if (!dxf::detail::writeDrawing(db, fd, error)) {
        fault = "the save failed (error " + std::to_string(error) + ")";
    } else {
        const off_t size = ::lseek(fd, 0, SEEK_END);
        text.resize(static_cast<std::size_t>(size));
        if (::pread(fd, text.data(), text.size(), 0) != size)
            fault = "cannot read the memory file back";
    }
    ::close(fd);
    return text;
}

std::string trimmed(std::string_view line)
{
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = line.find_last_not_of(" \t\r");
    return std::string(line.substr(first, last - first + 1));
}

// Lines ending in LF, CR LF or CR alone (files may mix them).
std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        out.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return out;
}

// A group code as the reader takes it (a leading "+" included).
bool pointCode(std::string_view codeLine)
{
    long long code = -1;
    return dxf::detail::parseInt(codeLine, code) && code >= 10 && code <= 39;
}

// The first group 5 of a record (its handle), 0 when it has none.
AcDbHandle recordHandle(std::string_view text, const Span& span)
{
    const std::vector<std::string_view> l = lines(text.substr(span.begin, span.end - span.begin));
    for (std::size_t i = 2; i + 1 < l.size(); i += 2) {
        if (trimmed(l[i]) == "0")
            break;
        if (trimmed(l[i]) == "5") {
            const std::string v = trimmed(l[i + 1]);
            AcDbHandle h = 0;
            std::from_chars(v.data(), v.data() + v.size(), h, 16);
            return h;
        }
    }
    return 0;
}

// Empty when `after` is `before` but for point values (a moved record) or, when not
// `moved`, exactly `before`.
std::string compareRecord(std::string_view before, std::string_view after, bool moved)
{
    if (before == after)
        return {};
    if (!moved)
        return "a record that was not changed differs";
    const std::vector<std::string_view> a = lines(before);
    const std::vector<std::string_view> b = lines(after);
    if (a.size() != b.size())
        return "a moved record has " + std::to_string(b.size()) + " lines where it had " + std::to_string(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        if (i % 2 == 0 || !pointCode(a[i - 1]))
            return "a moved record changed line " + std::to_string(i) + " (" + std::string(a[i]) + " -> " +
                   std::string(b[i]) + ")";
    }
    return {};
}

struct Handles {
    std::vector<AcDbHandle> all;
    AcDbHandle seed = 0;  // 0: no $HANDSEED
    bool unique() const
    {
        std::vector<AcDbHandle> sorted = all;
        std::sort(sorted.begin(), sorted.end());
        return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
    }
    bool belowSeed() const
    {
        return seed == 0 || std::all_of(all.begin(), all.end(), [&](AcDbHandle h) { return h < seed; });
    }
};

Handles handlesOf(const AcDbDatabase& db, const dxf::DxfSource& src)
{
    Handles h;
    for (const auto& [entity, span] : src.entitySpans)
        if (AcDbHandle handle = recordHandle(src.text, span))
            h.all.push_back(handle);
    for (const auto& r : src.tableRecords)
        if (r.handle)
            h.all.push_back(r.handle);
    for (const auto& o : src.objects)
        if (o.handle)
            h.all.push_back(o.handle);
    for (const auto& [name, handle] : src.tableHandles)
        if (handle)
            h.all.push_back(handle);
    (void)db;
    if (src.handseedValue != dxf::DxfSource::npos) {
        const std::string v = trimmed(std::string_view(src.text).substr(src.handseedValue, src.handseedValueLength));
        std::from_chars(v.data(), v.data() + v.size(), h.seed, 16);
    }
    return h;
}

// The file's entity records the database holds, in file order.
std::vector<std::pair<const AcDbEntity*, Span>> recordsInOrder(const dxf::DxfSource& src)
{
    std::vector<std::pair<const AcDbEntity*, Span>> out(src.entitySpans.begin(), src.entitySpans.end());
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.second.begin < b.second.begin; });
    return out;
}

std::string checkSave(const AcDbDatabase& db, const dxf::DxfSource& src, const AcDbDatabase& again,
                      const dxf::DxfSource& reread)
{
    const std::vector<AcDbEntity*> entities = spaceEntities(db);
    std::size_t added = 0;
    std::size_t shown = 0;
    for (const AcDbEntity* e : entities) {
        if (!e->isErased()) {
            ++shown;
            added += e->isFromFile() ? 0 : 1;
        }
    }
    const std::size_t shownAgain = spaceEntities(again).size();
    if (shownAgain != shown)
        return "read back with " + std::to_string(shownAgain) + " entities where " + std::to_string(shown) + " were saved";

    // The records kept, before and after where the new ones go, then the new ones.
    const std::size_t insert = src.entitiesEnd != dxf::DxfSource::npos ? src.entitiesEnd : src.entitiesInsert;
    std::vector<std::pair<const AcDbEntity*, Span>> before;
    std::vector<std::pair<const AcDbEntity*, Span>> after;
    for (const auto& record : recordsInOrder(src))
        if (!record.first->isErased())
            (record.second.begin < insert ? before : after).push_back(record);
    const auto now = recordsInOrder(reread);
    if (now.size() != before.size() + added + after.size())
        return "read back with " + std::to_string(now.size()) + " entity records where " +
               std::to_string(before.size() + added + after.size()) + " were expected";
    const auto compareRun = [&](const std::vector<std::pair<const AcDbEntity*, Span>>& kept, std::size_t first) {
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const Span& a = kept[i].second;
            const Span& b = now[first + i].second;
            const bool moved = kept[i].first->displacement() != AcGeVector3d{};
            std::string fault = compareRecord(std::string_view(src.text).substr(a.begin, a.end - a.begin),
                                              std::string_view(reread.text).substr(b.begin, b.end - b.begin), moved);
            if (!fault.empty())
                return fault + " (record at offset " + std::to_string(a.begin) + ")";
        }
        return std::string();
    };
    if (std::string fault = compareRun(before, 0); !fault.empty())
        return fault;
    if (std::string fault = compareRun(after, before.size() + added); !fault.empty())
        return fault;

    // Handles, when the file had them in order.
    const Handles old = handlesOf(db, src);
    if (src.usesHandles && old.unique() && old.belowSeed() && old.seed != 0) {
        const Handles saved = handlesOf(again, reread);
        if (!saved.unique())
            return "two records share a handle";
        if (!saved.belowSeed())
            return "a handle is not below $HANDSEED";
        // The erased records and everything they owned are gone.
        std::set<AcDbHandle> dropped;
        for (const auto& [entity, span] : src.entitySpans)
            if (entity->isErased())
                if (AcDbHandle h = recordHandle(src.text, span))
                    dropped.insert(h);
        for (bool grew = true; grew;) {
            grew = false;
            for (const auto& o : src.objects)
                if (o.owner && o.handle && dropped.count(o.owner) && dropped.insert(o.handle).second)
                    grew = true;
        }
        for (const auto& o : reread.objects)
            if ((o.handle && dropped.count(o.handle)) || (o.owner && dropped.count(o.owner)))
                return "an object of an erased entity stayed";
        for (const auto& [entity, span] : reread.entitySpans)
            if (dropped.count(recordHandle(reread.text, span)))
                return "an erased entity stayed";
    }

    // Layers and the current layer, where the file has a LAYER table to hold them.
    if (src.tableEnds.count("LAYER")) {
        for (const AcDbLayerInfo& layer : db.layers()) {
            const AcDbLayerInfo* back = again.layer(layer.name);
            if (!back)
                return "a layer is missing after reading back";
            const AcDbLayerAppearance& a = layer.appearance;
            const AcDbLayerAppearance& b = back->appearance;
            // Files before R13 have no true colours.
            const bool trueColorLost = src.legacyEntities && b.trueColor == -1;
            if (a.colorIndex != b.colorIndex || (a.trueColor != b.trueColor && !trueColorLost) || a.off != b.off ||
                a.frozen != b.frozen)
                return "layer \"" + base::utf8FromWide(layer.name) + "\" looks otherwise after reading back (colour " +
                       std::to_string(a.colorIndex) + "/" + std::to_string(b.colorIndex) + ", true colour " +
                       std::to_string(a.trueColor) + "/" + std::to_string(b.trueColor) + ", off " +
                       std::to_string(a.off) + "/" + std::to_string(b.off) + ", frozen " + std::to_string(a.frozen) +
                       "/" + std::to_string(b.frozen) + ")";
        }
        // A name with a control character cannot be written as one line: the save puts
        // "_" in its place, which names another layer.
        const AcDbLayerInfo* current = again.layer(db.clayer());
        const bool writable = std::none_of(db.clayer().begin(), db.clayer().end(), [](wchar_t c) { return c < 0x20; });
        if (src.headerEnd != dxf::DxfSource::npos && current && !current->appearance.frozen && writable &&
            again.clayer() != current->name)
            return "another layer is current after reading back";
    }

    // Drawn curves keep their definitions where the file can hold them: in extended data
    // (an APPID table) or in XRECORDs, which need OBJECTS, handles and entities past R12.
    const bool takesXrecords = src.objectsEnd != dxf::DxfSource::npos && !src.legacyEntities && src.usesHandles;
    if (dxf::detail::sourceTakesXdata(src) || takesXrecords) {
        std::map<std::string, std::size_t> pieces;
        for (const draw::DrawnCurve& c : draw::drawnCurves(db))
            pieces[c.id] = c.pieces.size();
        std::map<std::string, std::size_t> piecesAgain;
        for (const draw::DrawnCurve& c : draw::drawnCurves(again))
            piecesAgain[c.id] = c.pieces.size();
        if (pieces != piecesAgain)
            return "the drawn curves differ after reading back";
    }
    return {};
}

} // namespace

EditRun runEdits(std::string_view drawing, std::string_view bytes)
{
    EditRun run;
    std::unique_ptr<AcDbDatabase> db;
    if (!dxf::readDxfText(std::string(drawing), "edits.dxf", db).ok())
        return run;
    run.readable = true;
    const dxf::DxfSource* src = dxf::dxfSourceOf(*db);
    if (!src)
        return run;

    AcDbHostApplicationServices* services = acdbHostApplicationServices();
    AcDbDatabase* previous = services->workingDatabase();
    services->setWorkingDatabase(db.get());
    Script script(bytes);
    for (int n = 0; !script.done() && n < 64; ++n)
        run.edits += applyEdit(*db, script) ? 1 : 0;
    services->setWorkingDatabase(previous);
    if (db->numOpenObjects() != 0) {
        run.fault = "an edit left an object open";
        return run;
    }

    // A file the reader did not wholly understand is never written (the save refuses it).
    if (const dxf::DxfSource* source = dxf::dxfSourceOf(*db); source && !source->writeRefusal.empty())
        return run;
    const dxf::detail::WriteRefusal refusal = dxf::detail::drawingRefusal(*db);
    if (refusal.status == dxf::DxfStatus::unsupported && refusal.reason.find("same part") != std::string::npos) {
        run.fault = "the save refused its own changes: " + refusal.reason;
        return run;
    }
    if (refusal.status != dxf::DxfStatus::ok)
        return run;  // a version the writer does not add to
    run.text = writeToMemory(*db, run.fault);
    if (!run.fault.empty())
        return run;
    run.saved = true;
    std::unique_ptr<AcDbDatabase> again;
    const dxf::DxfResult reread = dxf::readDxfText(run.text, "saved.dxf", again);
    if (!reread.ok()) {
        run.fault = "the saved drawing cannot be read: " + reread.message;
        return run;
    }
    run.fault = checkSave(*db, *src, *again, *dxf::dxfSourceOf(*again));
    return run;
}

EditRun runEditInput(std::string_view input)
{
    const auto split = input.rfind('\0');
    if (split == std::string_view::npos)
        return runEdits(input, {});
    return runEdits(input.substr(0, split), input.substr(split + 1));
}

} // namespace plotwright::fuzz
