#pragma once
// Compares what the entity services draw of a drawing with what ezdxf computes for it
// (the report of a script in tests/dxf: display_kinds.py, display_faults.py).

#include <string>

class AcDbDatabase;

namespace dxftest {

// Checks each line of `report` against the shapes of `db`'s model space, within a
// pixel of a picture 1000 pixels across:
//   P HANDLE x,y x,y ...;x,y ...   the entity's paths, flattened within 0.001
//   T HANDLE x y TEXT              a text's anchor ("- -" for none) and plain text
//   H HANDLE                       not drawn
// and counts the paths and texts compared. Failures are reported through GoogleTest.
void compareWithEzdxf(const AcDbDatabase& db, const std::string& report, int& compared, int& textsCompared);

} // namespace dxftest
