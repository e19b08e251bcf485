#pragma once
// Internal: the DXF text of a drawing, apart from the file handling of saveDxf.

#include <string>

#include "dxf/file.h"

class AcDbDatabase;

namespace plotwright::dxf::detail {

// Why `database` cannot be written (a non-finite number, a file version the writer
// cannot add to): status ok and an empty reason when it can.
struct WriteRefusal {
    DxfStatus status = DxfStatus::ok;
    std::string reason;
};
WriteRefusal drawingRefusal(const AcDbDatabase& database);

// Writes the whole drawing to `fd`; false with `error` (an errno value) when a write fails.
bool writeDrawing(const AcDbDatabase& database, int fd, int& error);

} // namespace plotwright::dxf::detail
