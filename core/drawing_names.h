#pragma once
// The names a header needs to speak of a drawing's contents without the database's
// headers (which the Qt meta-object compiler cannot read): the drawing's contents, an
// entity and its handle, a layer's appearance. core/drawing_contents.h has the rest.

#include <cstdint>

class AcDbDatabase;
class AcDbEntity;
struct AcDbLayerAppearance;

namespace plotwright::core {

// The contents of one drawing: entities, layers, handles, erasures.
using DrawingData = AcDbDatabase;
// An entity's number in its drawing, unique there and never reused; 0 names none.
using Handle = std::uint64_t;
using Entity = AcDbEntity;
using LayerAppearance = AcDbLayerAppearance;

} // namespace plotwright::core
