#pragma once
// The database underneath a Drawing, for the programs' own display code and the
// module's host; not installed (the installed API stays in the core's vocabulary).

#include "plotwright/drawing.h"

#include <memory>

class AcDbDatabase;

namespace plotwright {

struct DrawingAccess {
    static AcDbDatabase& database(Drawing& drawing);
    static const AcDbDatabase& database(const Drawing& drawing);
};

} // namespace plotwright
