#pragma once
// The database underneath a Drawing, for the programs' own display code and the
// module's host; not installed (the installed API stays in the core's vocabulary).

#include "plotwright/drawing.h"

#include "db/object_id.h"

#include <string>
#include <vector>

class AcDbDatabase;

namespace plotwright {

struct DrawingAccess {
    static AcDbDatabase& database(Drawing& drawing);
    static const AcDbDatabase& database(const Drawing& drawing);
    // The ids of the entities with these handles (as Placed gives them); unknown ones are
    // left out.
    static std::vector<AcDbObjectId> ids(const Drawing& drawing, const std::vector<std::string>& handles);
};

} // namespace plotwright
