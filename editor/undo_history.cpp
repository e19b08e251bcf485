#include "editor/undo_history.h"

#include "editor/selection.h"

#include "db/object.h"
#include "dxf/source_moves.h"

#include <map>

namespace plotwright::editor {

namespace {

AcDbObjectId idOf(const AcDbDatabase& database, AcDbHandle handle)
{
    AcDbObjectId id;
    database.getAcDbObjectId(id, false, handle);
    return id;
}

const wchar_t* kBusy = L"An entity of the selection cannot be changed now (it is open elsewhere).";

} // namespace

UndoHistory::UndoHistory(AcDbDatabase& database)
    : database_(database), watchFrom_(database.handseed()), eraseMark_(database.eraseMark())
{
}

void UndoHistory::checkpoint()
{
    closeAppends();
}

void UndoHistory::settle()
{
    watchFrom_ = database_.handseed();
    eraseMark_ = database_.eraseMark();
}

void UndoHistory::closeAppends()
{
    Step step;
    // What was there before and is erased now (an entity erased and restored again
    // within the command is no change).
    std::map<AcDbHandle, bool> erasedNow;
    for (const AcDbDatabase::EraseChange& c : database_.eraseChangesSince(eraseMark_))
        if (c.handle < watchFrom_)
            erasedNow[c.handle] = c.erased;
    for (const auto& [handle, erased] : erasedNow)
        if (erased)
            step.push_back({Change::Type::erased, handle, {}, {}, {}, {}});
    database_.forEachEntity([&](const AcDbEntity& e) {
        if (e.handle() >= watchFrom_)
            step.push_back({Change::Type::appended, e.handle(), {}, {}, {}, {}});
    });
    settle();
    if (!step.empty())
        push(std::move(step));
}

void UndoHistory::push(Step step)
{
    done_.push_back(std::move(step));
    undone_.clear();
    settle();
}

bool UndoHistory::erase(const std::vector<AcDbHandle>& handles, std::wstring& message)
{
    closeAppends();
    Step step;
    for (AcDbHandle h : handles) {
        if (database_.eraseEntity(idOf(database_, h)) != Acad::eOk) {
            message = kBusy;
            apply(step, false);
            settle();
            return false;
        }
        step.push_back({Change::Type::erased, h, {}, {}, {}, {}});
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
    Step step;
    for (AcDbHandle h : handles) {
        AcDbObjectId id = idOf(database_, h);
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk) {
            message = kBusy;
            apply(step, false);
            settle();
            return false;
        }
        const AcGeVector3d before = entity->displacement();
        entity->close();
        const AcGeVector3d after{before.x + offset.x, before.y + offset.y, 0.0};
        if (database_.displaceEntity(id, after) != Acad::eOk) {
            message = kBusy;
            apply(step, false);
            settle();
            return false;
        }
        step.push_back({Change::Type::moved, h, before, after, {}, {}});
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
        if (!entity->isMovable() || !dxf::canMoveInSource(database_, *entity))
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

void UndoHistory::record(std::function<void(bool)> apply, std::wstring what)
{
    closeAppends();
    push({Change{Change::Type::custom, 0, {}, {}, std::move(apply), std::move(what)}});
}

std::wstring UndoHistory::describe(const Step& step)
{
    std::size_t appended = 0, erased = 0, moved = 0;
    for (const Change& c : step) {
        switch (c.type) {
        case Change::Type::custom:
            return c.what;
        case Change::Type::appended:
            ++appended;
            break;
        case Change::Type::erased:
            ++erased;
            break;
        case Change::Type::moved:
            ++moved;
            break;
        }
    }
    const auto entities = [](std::size_t n) {
        return std::to_wstring(n) + (n == 1 ? L" entity" : L" entities");
    };
    // A curve drawn again in place erases its old pieces and appends new ones.
    if (appended > 0 && erased > 0)
        return L"the replacement of " + entities(erased) + L" by " + entities(appended);
    if (appended > 0)
        return L"the addition of " + entities(appended);
    if (erased > 0)
        return L"the erasure of " + entities(erased);
    return L"the move of " + entities(moved);
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
        const AcDbObjectId id = c.handle ? idOf(database_, c.handle) : AcDbObjectId::kNull;
        switch (c.type) {
        case Change::Type::custom:
            c.apply(forward);
            break;
        case Change::Type::appended:
            database_.eraseEntity(id, !forward);
            break;
        case Change::Type::erased:
            database_.eraseEntity(id, forward);
            break;
        case Change::Type::moved:
            database_.displaceEntity(id, forward ? c.after : c.before);
            break;
        }
    }
}

bool UndoHistory::undo(std::wstring* what)
{
    if (!canUndo())
        return false;
    Step step = std::move(done_.back());
    done_.pop_back();
    if (what)
        *what = describe(step);
    apply(step, false);
    undone_.push_back(std::move(step));
    settle();
    return true;
}

bool UndoHistory::redo(std::wstring* what)
{
    closeAppends();
    if (undone_.empty())
        return false;
    Step step = std::move(undone_.back());
    undone_.pop_back();
    if (what)
        *what = describe(step);
    apply(step, true);
    done_.push_back(std::move(step));
    settle();
    return true;
}

} // namespace plotwright::editor
