#pragma once
// Makes chosen database calls fail, for tests of the paths that must survive them.

#include "db/database.h"

namespace plotwright::testing {

// While installed, each call whose status here is not eOk returns that status.
struct FailureInjection : AcDbDatabase::FaultHook {
    Acad::ErrorStatus getSymbolTable = Acad::eOk;
    Acad::ErrorStatus getAt = Acad::eOk;
    Acad::ErrorStatus appendAcDbEntity = Acad::eOk;

    Acad::ErrorStatus before(AcDbDatabase::Call call) override
    {
        switch (call) {
        case AcDbDatabase::Call::getSymbolTable:
            return getSymbolTable;
        case AcDbDatabase::Call::getAt:
            return getAt;
        case AcDbDatabase::Call::appendAcDbEntity:
            return appendAcDbEntity;
        }
        return Acad::eOk;
    }
    void clear()
    {
        getSymbolTable = getAt = appendAcDbEntity = Acad::eOk;
    }
};

} // namespace plotwright::testing
