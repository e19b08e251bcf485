#pragma once
// Copies of entities, as COPY and MIRROR make them: a new entity (in no database) of the
// same kind, geometry, layer, colour, style and application data.

#include <memory>

#include "db/object.h"

// Null for kinds that only files bring (texts, block references, ellipses, hatches, ...):
// a program that adds entities to a drawing writes only the kinds it draws itself.
std::unique_ptr<AcDbEntity> copyOfEntity(const AcDbEntity& entity);
