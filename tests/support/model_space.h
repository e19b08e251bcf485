#pragma once
// Appending a test's entity to model space of a database, as the drawing commands do.

#include "db/database.h"

namespace testsupport {

// Appends `entity` (new, owned by the caller until then) to "*Model_Space" of `db` and
// closes it. The new id; the null id when the database refuses (the entity is deleted).
inline AcDbObjectId appendToModelSpace(AcDbDatabase& db, AcDbEntity* entity)
{
    AcDbBlockTable* table = nullptr;
    if (db.getSymbolTable(table, AcDb::kForRead) != Acad::eOk) {
        delete entity;
        return AcDbObjectId::kNull;
    }
    AcDbBlockTableRecord* model = nullptr;
    const bool opened = table->getAt(L"*Model_Space", model, AcDb::kForWrite) == Acad::eOk;
    table->close();
    AcDbObjectId id;
    if (!opened || model->appendAcDbEntity(id, entity) != Acad::eOk) {
        if (opened)
            model->close();
        delete entity;
        return AcDbObjectId::kNull;
    }
    entity->close();
    model->close();
    return id;
}

} // namespace testsupport
