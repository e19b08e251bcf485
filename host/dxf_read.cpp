#include "host/dxf_file.h"

#include "host/db_database.h"

namespace plotwright::host {

DxfResult readDxfText(std::string, const std::string& path, std::unique_ptr<AcDbDatabase>& database)
{
    database.reset();
    return {DxfStatus::unsupported, "Cannot open \"" + path + "\": reading drawings is not available yet."};
}

DxfResult readDxf(const std::string& path, std::unique_ptr<AcDbDatabase>& database)
{
    return readDxfText(std::string(), path, database);
}

} // namespace plotwright::host
