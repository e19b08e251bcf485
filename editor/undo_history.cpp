#include "editor/undo_history.h"

#include "editor/selection.h"

#include "db/object.h"

#include <map>

namespace plotwright::editor {

namespace {

// Opens the entity `handle` of `database` for write (erased ones too); null when it
// cannot be opened.
AcDbEntity* openForWrite(AcDbDatabase& database, AcDbHandle handle)
{
    AcDbObjectId id;
    if (database.getAcDbObjectId(id, false, handle) != Acad::eOk)
        return nullptr;
    AcDbEntity* entity = nullptr;
    if (acdbOpenAcDbEntity(entity, id, AcDb::kForWrite, true) != Acad::eOk)
        return nullptr;
    return entity;
}

} // namespace

UndoHistory::UndoHistory(AcDbDatabase& database) : database_(database), watchFrom_(database.handseed()) {}

void UndoHistory::checkpoint()
{
    closeAppends();
    watchFrom_ = database_.handseed();
}

void UndoHistory::closeAppends()
{
    Step step;
    database_.forEachEntity([&](const AcDbEntity& e) {
        if (e.handle() >= watchFrom_)
            step.push_back({Change::Type::appended, e.handle(), {}, {}, {}});
    });
    watchFrom_ = database_.handseed();
    if (!step.empty())
        push(std::move(step));
}

void UndoHistory::push(Step step)
{
    done_.push_back(std::move(step));
    undone_.clear();
}

bool UndoHistory::erase(const std::vector<AcDbHandle>& handles, std::wstring& message)
{
    closeAppends();
    Step step;
    for (AcDbHandle h : handles) {
        AcDbEntity* entity = openForWrite(database_, h);
        if (!entity) {
            message = L"An entity of the selection cannot be changed now (it is open elsewhere).";
            apply(step, false);
            return false;
        }
        if (!entity->isErased()) {
            entity->erase();
            step.push_back({Change::Type::erased, h, {}, {}, {}});
        }
        entity->close();
    }
    if (!step.empty())
        push(std::move(step));
    return true;
}

bool UndoHistory::move(const std::vector<AcDbHandle>& handles, const AcGeVector3d& offset, std::wstring& message)
{
    closeAppends();
    // All or none: check every kind before moving anything.
    message = refusedMove(handles);
    if (!message.empty())
        return false;
    std::vector<AcDbEntity*> open;
    for (AcDbHandle h : handles) {
        AcDbEntity* entity = openForWrite(database_, h);
        if (!entity) {
            for (AcDbEntity* e : open)
                e->close();
            message = L"An entity of the selection cannot be changed now (it is open elsewhere).";
            return false;
        }
        open.push_back(entity);
    }
    Step step;
    for (AcDbEntity* e : open) {
        const AcGeVector3d before = e->displacement();
        e->moveBy(offset);
        step.push_back({Change::Type::moved, e->handle(), before, e->displacement(), {}});
        e->close();
    }
    if (!step.empty())
        push(std::move(step));
    return true;
}

std::wstring UndoHistory::refusedMove(const std::vector<AcDbHandle>& handles) const
{
    std::map<std::wstring, int> refused;
    for (AcDbHandle h : handles) {
        AcDbObjectId id;
        AcDbEntity* entity = nullptr;
        if (database_.getAcDbObjectId(id, false, h) != Acad::eOk ||
            acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk)
            continue;
        if (!entity->isMovable())
            ++refused[kindName(*entity)];
        entity->close();
    }
    if (refused.empty())
        return {};
    std::wstring names;
    for (const auto& [name, count] : refused)
        names += (names.empty() ? L"" : L", ") + std::to_wstring(count) + L" " + name;
    return L"Cannot move " + names +
           L": only lines, polylines, circles, arcs, points, texts, block references, ellipses and splines"
           L" lying in the XY plane can move. Nothing was moved.";
}

void UndoHistory::record(std::function<void(bool)> apply)
{
    closeAppends();
    push({Change{Change::Type::custom, 0, {}, {}, std::move(apply)}});
}

bool UndoHistory::canUndo()
{
    closeAppends();
    return !done_.empty();
}

void UndoHistory::apply(const Step& step, bool forward)
{
    // Backwards when undoing, so that changes of one entity unwind in order.
    for (std::size_t k = 0; k < step.size(); ++k) {
        const Change& c = step[forward ? k : step.size() - 1 - k];
        if (c.type == Change::Type::custom) {
            c.apply(forward);
            continue;
        }
        AcDbEntity* entity = openForWrite(database_, c.handle);
        if (!entity)
            continue;
        switch (c.type) {
        case Change::Type::appended:
            entity->erase(!forward);
            break;
        case Change::Type::erased:
            entity->erase(forward);
            break;
        case Change::Type::moved:
            entity->setDisplacement(forward ? c.after : c.before);
            break;
        case Change::Type::custom:
            break;
        }
        entity->close();
    }
}

bool UndoHistory::undo()
{
    if (!canUndo())
        return false;
    Step step = std::move(done_.back());
    done_.pop_back();
    apply(step, false);
    undone_.push_back(std::move(step));
    watchFrom_ = database_.handseed();
    return true;
}

bool UndoHistory::redo()
{
    closeAppends();
    if (undone_.empty())
        return false;
    Step step = std::move(undone_.back());
    undone_.pop_back();
    apply(step, true);
    done_.push_back(std::move(step));
    return true;
}

} // namespace plotwright::editor
