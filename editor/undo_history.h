#pragma once
// The undo and redo steps of one drawing. A step is what one command changed: the
// entities a command of a module appended (watched from a checkpoint on, by their
// handles, which only grow) and erased (from the database's log of erasures, so that
// drawing a curve again in place is one step), the entities ERASE erased, the entities
// MOVE moved, a layer's change. Undo
// takes the last step back, redo does it again; a new step drops what was undone.

#include "core/drawing_contents.h"

#include <functional>
#include <string>
#include <vector>

namespace plotwright::editor {

class UndoHistory {
public:
    explicit UndoHistory(core::DrawingData& database);

    // What is appended from now on is one step (closes the step before).
    void checkpoint();

    // Erases the entities (one step); false with nothing changed when one cannot be
    // opened for write.
    bool erase(const std::vector<core::Handle>& handles, std::wstring& message);
    // How a command that places entities speaks of itself: "rotate", "rotated", "rotation".
    struct Verb {
        const wchar_t* present;
        const wchar_t* past;
        const wchar_t* noun;
    };
    static const Verb kMove, kRotate, kScale, kMirror, kCopy;

    // Moves the entities by `offset` (XY), all or none: kinds that cannot move are
    // named in `message` and nothing moves.
    bool move(const std::vector<core::Handle>& handles, const core::Vector3& offset, std::wstring& message);
    // Why the entities cannot all move: their kinds named; empty when they can.
    std::wstring refusedMove(const std::vector<core::Handle>& handles) const;
    // Turns, scales or mirrors the entities (`by` after what was done to them before),
    // all or none, as move does.
    bool place(const std::vector<core::Handle>& handles, const core::Placement& by, const Verb& verb, std::wstring& message);
    std::wstring refusedPlace(const std::vector<core::Handle>& handles, const core::Placement& by, const Verb& verb) const;
    // Appends copies of the entities, placed by `by`, in one step, all or none; their
    // handles go to `copies`. The pieces of a drawn curve copied together become a curve
    // of their own (a new curve id), at its new place as if moved there.
    bool copy(const std::vector<core::Handle>& handles, const core::Placement& by, const Verb& verb,
              std::vector<core::Handle>& copies, std::wstring& message);
    std::wstring refusedCopy(const std::vector<core::Handle>& handles, const core::Placement& by, const Verb& verb) const;
    // Makes the last `count` steps one: a command that changed the drawing in several goes
    // (COPY placing copy after copy) is taken back as a whole.
    void join(int count);
    // Records a change that the caller made already; `apply(true)` redoes it,
    // `apply(false)` undoes it. `what` names it for the user ("the current layer \"A\"").
    void record(std::function<void(bool redo)> apply, std::wstring what = L"a change");

    bool canUndo();
    bool canRedo() const { return !undone_.empty(); }
    // False when there is nothing to undo or redo. `what`, when given, names the step
    // taken back or done again ("the move of 2 entities").
    bool undo(std::wstring* what = nullptr);
    bool redo(std::wstring* what = nullptr);

private:
    struct Change {
        enum class Type { appended, erased, moved, custom } type;
        core::Handle handle = 0;
        core::Placement before, after;  // placements of a move, turn, scale or mirror
        std::function<void(bool)> apply;
        std::wstring what;  // custom: its name for the user; moved: the command's noun
    };
    using Step = std::vector<Change>;

    // Closes the step of what was appended and erased since the checkpoint.
    void closeAppends();
    // From now on, only what comes later belongs to the next step.
    void settle();
    void push(Step step);
    void apply(const Step& step, bool forward);
    static std::wstring describe(const Step& step);

    core::DrawingData& database_;
    core::Handle watchFrom_;
    std::size_t eraseMark_;
    std::vector<Step> done_;
    std::vector<Step> undone_;
};

} // namespace plotwright::editor
