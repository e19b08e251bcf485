// Any text the DXF reader accepts must survive drawing into it: the saved text is
// accepted again and shows one entity more. Everything read also goes through the
// entity services (tessellation, extents, the SVG picture) without fault.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "db/database.h"
#include "render/display_shapes.h"
#include "db/polyline.h"
#include "render/svg_picture.h"
#include "dxf/file.h"
#include "dxf/writer.h"

namespace {

int countShown(const AcDbDatabase& db)
{
    int count = 0;
    db.forEachEntity([&](const AcDbEntity&) { ++count; });
    return count;
}

std::string writeToMemory(const AcDbDatabase& db)
{
    static const int fd = ::memfd_create("fuzz-dxf", 0);
    ::ftruncate(fd, 0);
    ::lseek(fd, 0, SEEK_SET);
    int error = 0;
    if (!plotwright::dxf::detail::writeDrawing(db, fd, error))
        std::abort();
    const off_t size = ::lseek(fd, 0, SEEK_END);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (::pread(fd, text.data(), text.size(), 0) != size)
        std::abort();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<AcDbDatabase> db;
    if (!plotwright::dxf::readDxfText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.dxf", db).ok())
        return 0;
    const int before = countShown(*db);

    db->forEachEntity([&](const AcDbEntity& e) {
        std::vector<plotwright::db::DisplayShape> shapes;
        plotwright::db::tessellateEntity(*db, e, {0.5}, shapes);
        plotwright::db::Extents3d extents;
        plotwright::db::addExtents(*db, e, extents);
    });
    if (plotwright::db::svgPicture(*db).find("</svg>") == std::string::npos)
        std::abort();

    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {1.5, -2.5}, 0.25);
    polyline->addVertexAt(1, {1e-300, 1e300});
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* model = nullptr;
    if (db->getSymbolTable(table, AcDb::kForRead) != Acad::eOk ||
        table->getAt(L"*Model_Space", model, AcDb::kForWrite) != Acad::eOk)
        std::abort();
    table->close();
    if (model->appendAcDbEntity(polyline) != Acad::eOk)
        std::abort();
    polyline->close();
    model->close();
    if (db->numOpenObjects() != 0)
        std::abort();
    if (plotwright::dxf::detail::drawingRefusal(*db).status != plotwright::dxf::DxfStatus::ok)
        return 0;  // a version the writer does not add to

    const std::string saved = writeToMemory(*db);
    std::unique_ptr<AcDbDatabase> again;
    if (!plotwright::dxf::readDxfText(saved, "saved.dxf", again).ok())
        std::abort();
    if (countShown(*again) != before + 1)
        std::abort();
    return 0;
}
