#include "host/dxf_file.h"

#include "host/db_database.h"

namespace plotwright::host {

DxfResult saveDxf(AcDbDatabase&, const std::string& path)
{
    return {DxfStatus::unsupported, "Cannot save \"" + path + "\": saving drawings is not available yet."};
}

} // namespace plotwright::host
