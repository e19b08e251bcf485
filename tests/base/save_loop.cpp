// Saves a large drawing or a large curve library over and over, for the crash-safety
// test that kills it at random moments.
//
//   save_loop drawing|library expect TARGET   writes the two versions to TARGET.a, TARGET.b
//   save_loop drawing|library loop-a|loop-b TARGET
//                                             saves A, B, A, ... (or B, A, ...) to TARGET for
//                                             ever, writing one byte to standard output
//                                             before each save
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "base/utf8_text.h"
#include "db/database.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "model/equation.h"
#include "model/equation_list.h"

namespace {

// About 20 MB of DXF: 450 polylines of 1000 vertices; `extra` adds one more.
std::unique_ptr<AcDbDatabase> drawing(bool extra)
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
            polyline->addVertexAt(static_cast<unsigned>(v), AcGePoint2d{p + v * 0.123456789012345, v / 7.0}, 0.0, -1.0, -1.0);
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 64;
    const std::string kind = argv[1];
    const std::string mode = argv[2];
    const std::string target = argv[3];
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
