#include "editor/undo_history.h"

#include "editor/selection.h"

#include "curve/curve_definition.h"
#include "db/entity_copy.h"
#include "core/curve_data.h"
#include "dxf/source_moves.h"

#include <functional>
#include <map>

namespace plotwright::editor {

namespace {

const wchar_t* kBusy = L"An entity of the selection cannot be changed now (it is open elsewhere).";

} // namespace

UndoHistory::UndoHistory(core::DrawingData& database)
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
    std::map<core::Handle, bool> erasedNow;
    for (const auto& c : database_.eraseChangesSince(eraseMark_))
        if (c.handle < watchFrom_)
            erasedNow[c.handle] = c.erased;
    for (const auto& [handle, erased] : erasedNow)
        if (erased)
            step.push_back({Change::Type::erased, handle, {}, {}, {}, {}});
    database_.forEachEntity([&](const core::Entity& e) {
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

bool UndoHistory::erase(const std::vector<core::Handle>& handles, std::wstring& message)
{
    closeAppends();
    Step step;
    for (core::Handle h : handles) {
        if (!core::eraseEntity(database_, h)) {
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

bool UndoHistory::move(const std::vector<core::Handle>& handles, const core::Vector3& offset, std::wstring& message)
{
    return place(handles, core::Placement::translation(offset.x, offset.y), kMove, message);
}

std::wstring UndoHistory::refusedMove(const std::vector<core::Handle>& handles) const
{
    return refusedPlace(handles, core::Placement{}, kMove);
}

bool UndoHistory::place(const std::vector<core::Handle>& handles, const core::Placement& by, const Verb& verb,
                        std::wstring& message)
{
    closeAppends();
    // All or none: check every kind before changing anything.
    message = refusedPlace(handles, by, verb);
    if (!message.empty())
        return false;
    Step step;
    for (core::Handle h : handles) {
        core::Placement before;
        if (const core::EntityReader entity(database_, h); entity) {
            before = entity->placement();
        } else {
            message = kBusy;
            apply(step, false);
            settle();
            return false;
        }
        const core::Placement after = before.then(by);
        if (!core::placeEntity(database_, h, after)) {
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

// How many of the entities that exist, by kind, `takes` does not take.
std::map<std::wstring, int> refusedKinds(const core::DrawingData& drawing, const std::vector<core::Handle>& handles,
                                         const std::function<bool(const core::Entity&)>& takes)
{
    std::map<std::wstring, int> refused;
    for (core::Handle h : handles) {
        const core::EntityReader entity(drawing, h);
        if (entity && !takes(*entity))
            ++refused[kindName(*entity)];
    }
    return refused;
}

} // namespace

std::wstring UndoHistory::refusedPlace(const std::vector<core::Handle>& handles, const core::Placement& by,
                                       const Verb& verb) const
{
    const std::map<std::wstring, int> refused = refusedKinds(database_, handles, [&](const core::Entity& entity) {
        const core::Placement after = entity.placement().then(by);
        return entity.canPlace(after) && dxf::canPlaceInSource(database_, entity, after);
    });
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

std::wstring UndoHistory::refusedCopy(const std::vector<core::Handle>& handles, const core::Placement& by,
                                      const Verb& verb) const
{
    const std::map<std::wstring, int> refused = refusedKinds(database_, handles, [&](const core::Entity& entity) {
        const std::unique_ptr<core::Entity> copy = copyOfEntity(entity);
        return copy && copy->canPlace(by);
    });
    if (refused.empty())
        return {};
    return L"Cannot " + std::wstring(verb.present) + L" " + kindList(refused) +
           L": copies can be made of lines, polylines, circles, arcs, points and splines lying in the XY plane."
           L" Nothing was " + verb.past + L".";
}

bool UndoHistory::copy(const std::vector<core::Handle>& handles, const core::Placement& by, const Verb& verb,
                       std::vector<core::Handle>& copies, std::wstring& message)
{
    closeAppends();
    message = refusedCopy(handles, by, verb);
    if (!message.empty())
        return false;
    bool ok = true;
    {
        core::ModelSpaceAppender space(database_);
        if (!space.isOpen()) {
            message = kBusy;
            return false;
        }
        // The pieces of one curve stay together under one new id.
        std::map<std::string, std::string> newIds;
        for (core::Handle h : handles) {
            std::unique_ptr<core::Entity> copy;
            if (const core::EntityReader entity(database_, h); entity)
                copy = copyOfEntity(*entity);
            if (!copy) {
                ok = false;
                break;
            }
            if (auto definition = core::decodeCurveData(copy->appData())) {
                auto [it, added] = newIds.try_emplace(definition->curveId);
                if (added)
                    it->second = curve::newCurveId();
                definition->curveId = it->second;
                copy->setAppData(core::encodeCurveData(*definition));
            }
            const core::Handle added = core::placeNewEntity(*copy, by) ? space.append(copy) : 0;
            if (added == 0) {
                ok = false;
                break;
            }
            copies.push_back(added);
        }
    }
    if (!ok) {
        // Nothing half done: what was appended goes again.
        for (core::Handle c : copies)
            core::eraseEntity(database_, c);
        copies.clear();
        settle();
        message = kBusy;
        return false;
    }
    Step step;
    for (core::Handle c : copies)
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
        switch (c.type) {
        case Change::Type::custom:
            c.apply(forward);
            break;
        case Change::Type::appended:
            core::eraseEntity(database_, c.handle, !forward);
            break;
        case Change::Type::erased:
            core::eraseEntity(database_, c.handle, forward);
            break;
        case Change::Type::moved:
            core::placeEntity(database_, c.handle, forward ? c.after : c.before);
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
