#pragma once
// The selected entities of one drawing, and how the view finds them: the shown entity
// nearest a click, the entities entirely inside a window, the entities a crossing
// window touches. Hits work on what the display list shows, so hidden layers are
// never picked.

#include "core/drawing_names.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <vector>

class QPainter;

namespace plotwright::editor {

class DisplayList;

class Selection : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // In the order they were selected.
    const std::vector<core::Handle>& handles() const { return handles_; }
    bool isEmpty() const { return handles_.empty(); }
    bool contains(core::Handle handle) const;

    void clear();
    void set(const std::vector<core::Handle>& handles);
    // Adds those not yet selected.
    void add(const std::vector<core::Handle>& handles);
    // Removes those selected, adds the others (Shift with a click or window).
    void toggle(const std::vector<core::Handle>& handles);
    // Keeps only the handles `keep` accepts (after erasing or undoing).
    void retain(const std::function<bool(core::Handle)>& keep);

signals:
    void changed();

private:
    std::vector<core::Handle> handles_;
};

// The name of an entity's kind as the properties panel and messages show it ("Polyline").
const wchar_t* kindName(const core::Entity& entity);

// The entity whose shown geometry lies nearest `world` within `tolerance` drawing
// units; 0 when none does. Text and fills count as their area.
core::Handle pickEntity(const DisplayList& list, const QPointF& world, double tolerance);

// Window selection (`crossing` false): entities all of whose shapes lie inside `world`.
// Crossing: entities any of whose shapes touch it. In display order, each once.
std::vector<core::Handle> entitiesInWindow(const DisplayList& list, const QRectF& world, bool crossing);

// Draws the selected entities' shapes over the picture, highlighted. `toScreen` maps
// drawing to widget coordinates.
void paintSelection(QPainter& painter, const DisplayList& list, const Selection& selection,
                    const std::function<QPointF(const QPointF&)>& toScreen);

} // namespace plotwright::editor
