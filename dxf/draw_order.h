#pragma once
// Internal to the reader: the draw-order tables (SORTENTSTABLE) of a drawing. A program
// that sends an entity to the back or brings it to the front leaves the file's order
// alone and records, per block record, the handle each moved entity is drawn by; the
// reader puts the entities of a record into that order, so that every display (the
// editor, render, export, print) draws them as the writing program showed them.

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/object_id.h"

namespace plotwright::dxf::detail {

class DrawOrderTables {
public:
    // A SORTENTSTABLE record begins; its pairs follow (those of 102 groups left out).
    void start();
    void pair(int code, std::string_view value);
    // The record ends: its table is kept when it named its block record.
    void finish();

    // The positions of `handles` (a record's entities in file order) in the order they
    // are drawn: ascending by the handle each is drawn by (its own when the table does
    // not name it), the file's order among equals. The file's order when the record has
    // no table; a handle of 0 (none) is drawn last, as the file has it.
    std::vector<std::size_t> order(AcDbHandle record, const std::vector<AcDbHandle>& handles) const;

private:
    std::unordered_map<AcDbHandle, std::unordered_map<AcDbHandle, AcDbHandle>> tables_;
    std::unordered_map<AcDbHandle, AcDbHandle> reading_;
    AcDbHandle record_ = 0;
    AcDbHandle entity_ = 0;
    bool ownHandle_ = false;  // the record's own handle (the first 5) was read
    bool subclass_ = false;   // past "100 AcDbSortentsTable", where 330 names the block record
};

} // namespace plotwright::dxf::detail
