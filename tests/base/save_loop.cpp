// Saves a large drawing or a large curve library over and over, for the crash-safety
// test that kills it at random moments. `document` saves as the editor does: it opens
// the drawing as a document, moves every entity by one unit (or back, by the version the
// file holds) and saves the kept text with the moves patched; `inplace` is the same for
// a file with a second hard link, which is written in place after a backup copy.
//
//   save_loop KIND expect TARGET              writes the two versions to TARGET.a, TARGET.b
//   save_loop KIND loop-a|loop-b TARGET
//                                             saves A, B, A, ... (or B, A, ...) to TARGET for
//                                             ever, writing one byte to standard output
//                                             before each save
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/file_bytes.h"
#include "base/replace_file.h"
#include "base/utf8_text.h"
#include "db/database.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "host/doc_manager.h"
#include "model/equation.h"
#include "model/equation_list.h"

namespace {

// About 20 MB of DXF: 450 polylines of 1000 vertices; `extra` adds one more. With
// `exact`, every coordinate is a multiple of 1/8, so that a move by one unit and back
// gives the same numbers.
std::unique_ptr<AcDbDatabase> drawing(bool extra, bool exact = false)
{
    auto db = std::make_unique<AcDbDatabase>();
    AcDbBlockTable* table = nullptr;
    db->getSymbolTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(L"*Model_Space", model, AcDb::kForWrite);
    const int count = extra ? 451 : 450;
    for (int p = 0; p < count; ++p) {
        auto* polyline = new AcDbPolyline;
        for (int v = 0; v < 1000; ++v)
            polyline->addVertexAt(static_cast<unsigned>(v),
                                  exact ? AcGePoint2d{p + v * 0.125, v / 8.0} : AcGePoint2d{p + v * 0.123456789012345, v / 7.0},
                                  0.0, -1.0, -1.0);
        AcDbObjectId id;
        model->appendAcDbEntity(id, polyline);
        polyline->close();
    }
    model->close();
    table->close();
    return db;
}

// About 2.5 MB of library: 12000 curves; `extra` adds one more.
CEquationList library(bool extra)
{
    CEquationList list;
    const int count = extra ? 12001 : 12000;
    for (int i = 0; i < count; ++i) {
        auto equation = std::make_shared<CEquation>();
        equation->SetType(2);
        equation->SetName(L"curve " + std::to_wstring(i));
        equation->SetEquationX(L"a*(t-sin(t))+" + std::to_wstring(i) + L"*cos(t)*sin(t)/(1+t^2)+sqrt(abs(t))");
        equation->SetEquationY(L"a*(1-cos(t))-" + std::to_wstring(i) + L"*sin(t)*cos(t)/(1+t^2)+sqrt(abs(t))");
        list.AddEquation(equation);
    }
    return list;
}

bool save(const std::string& kind, bool extra, const std::string& path, AcDbDatabase* db, const CEquationList* list)
{
    if (kind == "drawing") {
        const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*db, path);
        if (!result.ok())
            std::fprintf(stderr, "%s\n", result.message.c_str());
        return result.ok();
    }
    std::wstring reason;
    const bool ok = list->SaveToFile(plotwright::base::wideFromUtf8(path), &reason);
    if (!ok)
        std::fprintf(stderr, "%s (%d)\n", plotwright::base::utf8FromWide(reason).c_str(), extra);
    return ok;
}

// Opens `path` as the editor does, moves every entity by (dx, 0) and saves it there.
bool moveAndSave(const std::string& path, double dx)
{
    AcApDocManager* documents = acDocManagerPtr();
    AcApDocument* document = nullptr;
    const plotwright::dxf::DxfResult opened = documents->openDocument(path, document);
    if (!opened.ok()) {
        std::fprintf(stderr, "%s\n", opened.message.c_str());
        return false;
    }
    AcDbDatabase& db = *document->database();
    std::vector<AcDbObjectId> ids;
    db.forEachEntity([&](const AcDbEntity& e) { ids.push_back(e.objectId()); });
    for (const AcDbObjectId& id : ids)
        db.displaceEntity(id, {dx, 0, 0});
    const plotwright::dxf::DxfResult saved = document->save();
    if (!saved.ok())
        std::fprintf(stderr, "%s\n", saved.message.c_str());
    documents->closeDocument(document);
    return saved.ok();
}

// The document kinds: version a is a new drawing, b the same moved by one unit.
int documentLoop(const std::string& mode, const std::string& target)
{
    if (mode == "expect") {
        std::unique_ptr<AcDbDatabase> a = drawing(false, true);
        if (!plotwright::dxf::saveDxf(*a, target + ".a").ok())
            return 1;
        std::string bytes;
        plotwright::base::readFileBytes(target + ".a", bytes);
        return plotwright::base::replaceFile(target + ".b", bytes).ok() && moveAndSave(target + ".b", 1.0) ? 0 : 1;
    }
    if (mode != "loop-a" && mode != "loop-b")
        return 64;
    // Saves the version the file does not hold, whatever the mode says.
    for (std::string bytes;;) {
        if (plotwright::base::readFileBytes(target, bytes) != 0)
            return 1;
        // The first vertex of the first polyline is at x 0 in version a.
        const std::size_t vertex = bytes.find("\n 10\n", bytes.find("AcDbPolyline"));
        const bool holdsA = vertex != std::string::npos && bytes.compare(vertex + 5, 2, "0\n") == 0;
        if (::write(1, "s", 1) != 1)
            return 1;
        if (!moveAndSave(target, holdsA ? 1.0 : -1.0))
            return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 64;
    const std::string kind = argv[1];
    const std::string mode = argv[2];
    const std::string target = argv[3];
    if (kind == "document" || kind == "inplace")
        return documentLoop(mode, target);
    if (kind != "drawing" && kind != "library")
        return 64;
    std::unique_ptr<AcDbDatabase> a, b;
    CEquationList la, lb;
    if (kind == "drawing") {
        a = drawing(false);
        b = drawing(true);
    } else {
        la = library(false);
        lb = library(true);
    }
    if (mode == "expect")
        return save(kind, false, target + ".a", a.get(), &la) && save(kind, true, target + ".b", b.get(), &lb) ? 0 : 1;
    if (mode != "loop-a" && mode != "loop-b")
        return 64;
    for (bool extra = mode == "loop-b";; extra = !extra) {
        if (::write(1, "s", 1) != 1)
            return 1;
        if (!save(kind, extra, target, extra ? b.get() : a.get(), extra ? &lb : &la))
            return 1;
    }
}
