#include "editor/undo_history.h"

#include "editor/selection.h"

#include "db/object.h"
#include "curve/curve_definition.h"
#include "db/entity_copy.h"
#include "core/curve_data.h"
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

const UndoHistory::Verb UndoHistory::kMove{L"move", L"moved", L"the move"};
const UndoHistory::Verb UndoHistory::kRotate{L"rotate", L"rotated", L"the rotation"};
const UndoHistory::Verb UndoHistory::kScale{L"scale", L"scaled", L"the scaling"};
const UndoHistory::Verb UndoHistory::kMirror{L"mirror", L"mirrored", L"the mirroring"};
const UndoHistory::Verb UndoHistory::kCopy{L"copy", L"copied", L"the copy"};

bool UndoHistory::move(const std::vector<AcDbHandle>& handles, const AcGeVector3d& offset, std::wstring& message)
{
    return place(handles, AcDbPlacement::translation(offset.x, offset.y), kMove, message);
}

std::wstring UndoHistory::refusedMove(const std::vector<AcDbHandle>& handles) const
{
    return refusedPlace(handles, AcDbPlacement{}, kMove);
}

bool UndoHistory::place(const std::vector<AcDbHandle>& handles, const AcDbPlacement& by, const Verb& verb,
                        std::wstring& message)
{
    closeAppends();
    // All or none: check every kind before changing anything.
    message = refusedPlace(handles, by, verb);
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
        const AcDbPlacement before = entity->placement();
        entity->close();
        const AcDbPlacement after = before.then(by);
        if (database_.placeEntity(id, after) != Acad::eOk) {
            message = kBusy;
            apply(step, false);
            settle();
            return false;
        }
        step.push_back({Change::Type::moved, h, before, after, {}, verb.noun});
    }
    if (!step.empty())
        push(std::move(step));
    return true;
}

namespace {

// "2 Text, 1 Block reference" from the kinds counted.
std::wstring kindList(const std::map<std::wstring, int>& kinds)
{
    std::wstring names;
    for (const auto& [name, count] : kinds)
        names += (names.empty() ? L"" : L", ") + std::to_wstring(count) + L" " + name;
    return names;
}

} // namespace

std::wstring UndoHistory::refusedPlace(const std::vector<AcDbHandle>& handles, const AcDbPlacement& by,
                                       const Verb& verb) const
{
    std::map<std::wstring, int> refused;
    for (AcDbHandle h : handles) {
        AcDbObjectId id;
        AcDbEntity* entity = nullptr;
        if (database_.getAcDbObjectId(id, false, h) != Acad::eOk ||
            acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk)
            continue;
        const AcDbPlacement after = entity->placement().then(by);
        if (!entity->canPlace(after) || !dxf::canPlaceInSource(database_, *entity, after))
            ++refused[kindName(*entity)];
        entity->close();
    }
    if (refused.empty())
        return {};
    const std::wstring kinds = by.isTranslation()
        ? L"lines, polylines, circles, arcs, points, texts, block references, ellipses and splines"
        : L"lines, polylines, circles, arcs, points, ellipses and splines (not texts or block references,"
          L" whose letters and scales would not follow exactly)";
    return L"Cannot " + std::wstring(verb.present) + L" " + kindList(refused) + L": only " + kinds +
           L" lying in the XY plane can " + (by.isTranslation() ? std::wstring(L"move") : L"be " + std::wstring(verb.past)) +
           L". Nothing was " + verb.past + L".";
}

std::wstring UndoHistory::refusedCopy(const std::vector<AcDbHandle>& handles, const AcDbPlacement& by,
                                      const Verb& verb) const
{
    std::map<std::wstring, int> refused;
    for (AcDbHandle h : handles) {
        AcDbObjectId id;
        AcDbEntity* entity = nullptr;
        if (database_.getAcDbObjectId(id, false, h) != Acad::eOk ||
            acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk)
            continue;
        const std::unique_ptr<AcDbEntity> copy = copyOfEntity(*entity);
        if (!copy || !copy->canPlace(by))
            ++refused[kindName(*entity)];
        entity->close();
    }
    if (refused.empty())
        return {};
    return L"Cannot " + std::wstring(verb.present) + L" " + kindList(refused) +
           L": copies can be made of lines, polylines, circles, arcs, points and splines lying in the XY plane."
           L" Nothing was " + verb.past + L".";
}

bool UndoHistory::copy(const std::vector<AcDbHandle>& handles, const AcDbPlacement& by, const Verb& verb,
                       std::vector<AcDbHandle>& copies, std::wstring& message)
{
    closeAppends();
    message = refusedCopy(handles, by, verb);
    if (!message.empty())
        return false;
    AcDbBlockTable* table = nullptr;
    if (database_.getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        message = kBusy;
        return false;
    }
    AcDbBlockTableRecord* space = nullptr;
    const Acad::ErrorStatus opened = table->getAt(L"*Model_Space", space, AcDb::kForWrite);
    table->close();
    if (opened != Acad::eOk) {
        message = kBusy;
        return false;
    }
    // The pieces of one curve stay together under one new id.
    std::map<std::string, std::string> newIds;
    bool ok = true;
    for (AcDbHandle h : handles) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, idOf(database_, h), AcDb::kForRead) != Acad::eOk) {
            ok = false;
            break;
        }
        std::unique_ptr<AcDbEntity> copy = copyOfEntity(*entity);
        entity->close();
        if (auto definition = core::decodeCurveData(copy->appData())) {
            auto [it, added] = newIds.try_emplace(definition->curveId);
            if (added)
                it->second = curve::newCurveId();
            definition->curveId = it->second;
            copy->setAppData(core::encodeCurveData(*definition));
        }
        AcDbObjectId id;
        if (copy->setPlacement(by) != Acad::eOk || space->appendAcDbEntity(id, copy.get()) != Acad::eOk) {
            ok = false;
            break;
        }
        copies.push_back(copy->handle());
        copy.release()->close();
    }
    space->close();
    if (!ok) {
        // Nothing half done: what was appended goes again.
        for (AcDbHandle c : copies)
            database_.eraseEntity(idOf(database_, c));
        copies.clear();
        settle();
        message = kBusy;
        return false;
    }
    Step step;
    for (AcDbHandle c : copies)
        step.push_back({Change::Type::appended, c, {}, {}, {}, verb.noun});
    if (!step.empty())
        push(std::move(step));
    return true;
}

void UndoHistory::join(int count)
{
    closeAppends();
    if (count < 2 || static_cast<std::size_t>(count) > done_.size())
        return;
    Step joined;
    for (auto it = done_.end() - count; it != done_.end(); ++it)
        joined.insert(joined.end(), it->begin(), it->end());
    done_.erase(done_.end() - count, done_.end());
    done_.push_back(std::move(joined));
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
    const std::wstring noun = step.empty() ? std::wstring() : step.front().what;
    const auto entities = [](std::size_t n) {
        return std::to_wstring(n) + (n == 1 ? L" entity" : L" entities");
    };
    // A curve drawn again in place erases its old pieces and appends new ones.
    if (appended > 0 && erased > 0)
        return L"the replacement of " + entities(erased) + L" by " + entities(appended);
    if (appended > 0)
        return (noun.empty() ? L"the addition" : noun) + L" of " + entities(appended);
    if (erased > 0)
        return L"the erasure of " + entities(erased);
    return (noun.empty() ? L"the move" : noun) + L" of " + entities(moved);
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
            database_.placeEntity(id, forward ? c.after : c.before);
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
