#include "editor/selection_commands.h"

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"
#include "editor/undo_history.h"

#include "core/drawing_contents.h"
#include "editor/display_list.h"
#include "host/doc_manager.h"
#include "editor/pick_assist.h"

#include "core/curve_data.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <set>

namespace plotwright::editor {

using Answer = EditorBackend::Answer;

std::vector<host::PreviewPoint> selectionGhost(const DisplayList& shown, const std::vector<core::Handle>& handles,
                                               double baseX, double baseY)
{
    const std::set<core::Handle> chosen(handles.begin(), handles.end());
    const double gap = std::numeric_limits<double>::quiet_NaN();
    std::vector<host::PreviewPoint> ghost;
    for (const DisplayItem& item : shown.items) {
        const db::DisplayShape& shape = item.shape;
        if (chosen.count(item.entity) == 0 || shape.points.empty())
            continue;
        using Type = db::DisplayShape::Type;
        if (shape.type != Type::kStroke && shape.type != Type::kFill)
            continue;
        // A fill's rings, a stroke's one line; each ends with a break.
        std::vector<std::size_t> starts = {0};
        if (shape.type == Type::kFill)
            starts.insert(starts.end(), shape.ringStarts.begin(), shape.ringStarts.end());
        starts.push_back(shape.points.size());
        const bool closed = shape.closed || shape.type == Type::kFill;
        for (std::size_t r = 0; r + 1 < starts.size(); ++r) {
            for (std::size_t i = starts[r]; i < starts[r + 1]; ++i)
                ghost.push_back({shape.points[i].x - baseX, shape.points[i].y - baseY});
            if (closed && starts[r + 1] > starts[r])
                ghost.push_back({shape.points[starts[r]].x - baseX, shape.points[starts[r]].y - baseY});
            ghost.push_back({gap, gap});
        }
    }
    return ghost;
}

namespace {

// A number typed at a prompt ("." as decimal point whatever the locale); nothing for
// anything else or a value that is not finite.
std::optional<double> typedNumber(const QString& text)
{
    const std::string utf8 = text.trimmed().toStdString();
    double value = 0.0;
    const char* end = utf8.data() + utf8.size();
    const auto [stop, error] = std::from_chars(utf8.data(), end, value);
    if (utf8.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Asks at `base` until a typed number or a picked point gives a value the command takes:
// `fromPoint` turns a point into a value, `refusal` says why a value (or none) is not taken
// and is empty when it is. Nothing when cancelled ("*Cancel*" shown).
std::optional<double> askValue(MainWindow& window, const double base[3], const wchar_t* prompt,
                               const std::function<std::optional<double>(const double to[3])>& fromPoint,
                               const std::function<QString(std::optional<double> value, bool typed)>& refusal)
{
    for (;;) {
        double to[3] = {0, 0, 0};
        QString typed;
        const Answer answer = window.backend().askPointOrText(base, prompt, to, typed);
        if (answer != Answer::typed && answer != Answer::point) {
            window.commandLine().print("*Cancel*");
            return std::nullopt;
        }
        const std::optional<double> value = answer == Answer::typed ? typedNumber(typed) : fromPoint(to);
        const QString reason = refusal(value, answer == Answer::typed);
        if (reason.isEmpty())
            return value;
        window.commandLine().print(reason);
    }
}

} // namespace

bool SelectionCommands::isSelectionCommand(const QString& command)
{
    static const QStringList kWords = {"ERASE", "DELETE", "MOVE", "M", "COPY", "CO", "CP",
                                       "ROTATE", "RO", "SCALE", "SC", "MIRROR", "MI"};
    return kWords.contains(command);
}

void SelectionCommands::run(const QString& command)
{
    if (command == "MOVE" || command == "M")
        move();
    else if (command == "COPY" || command == "CO" || command == "CP")
        copy();
    else if (command == "ROTATE" || command == "RO")
        rotate();
    else if (command == "SCALE" || command == "SC")
        scale();
    else if (command == "MIRROR" || command == "MI")
        mirror();
    else
        erase();
}

namespace {

// A drawn curve turned, scaled or mirrored no longer matches its definition: say so.
void noteDrawnCurves(MainWindow& window, const std::vector<core::Handle>& handles)
{
    const core::DrawingData* database = window.documents().currentView()->document()->database();
    int curves = 0;
    for (core::Handle h : handles) {
        if (const core::EntityReader e(*database, h); e)
            curves += core::curveDefinitionOf(*e).has_value() ? 1 : 0;
    }
    if (curves > 0)
        window.commandLine().print(QString("%1 piece(s) of drawn curves no longer match their definitions: "
                                           "CURVEEDIT draws them again from the definition, as they were drawn.")
                                       .arg(curves));
}

// Turns, scales or mirrors the objects by `by` as one step and says so.
void place(MainWindow& window, const std::vector<core::Handle>& handles, const core::Placement& by,
           const UndoHistory::Verb& verb)
{
    DocumentTabs& documents = window.documents();
    UndoHistory* history = documents.historyOf(documents.currentView()->document());
    std::wstring message;
    if (!history->place(handles, by, verb, message)) {
        window.commandLine().print(QString::fromStdWString(message));
        return;
    }
    documents.refreshCurrent();
    QString done = QString::fromWCharArray(verb.past);
    done[0] = done[0].toUpper();
    window.commandLine().print(QString("%1 %2.").arg(done).arg(handles.size()));
    noteDrawnCurves(window, handles);
}

// True (and the reason shown) when any of the objects cannot be placed as `probe` places
// them: the refusal comes before the first prompt.
bool refused(MainWindow& window, const std::vector<core::Handle>& handles, const core::Placement& probe,
             const UndoHistory::Verb& kind)
{
    DocumentTabs& documents = window.documents();
    UndoHistory* history = documents.historyOf(documents.currentView()->document());
    const std::wstring reason = history->refusedPlace(handles, probe, kind);
    if (!reason.empty())
        window.commandLine().print(QString::fromStdWString(reason));
    return !reason.empty();
}

} // namespace

std::vector<core::Handle> SelectionCommands::objects(const wchar_t* verb)
{
    DrawingView* view = window_.documents().currentView();
    if (!view || !window_.documents().historyOf(view->document())) {
        window_.commandLine().print("No drawing is open.");
        return {};
    }
    if (!view->selection().isEmpty())
        return view->selection().handles();
    // Picked entities join the selection, so that they show as chosen.
    const QString prompt = QString("\nSelect objects to %1 (Enter when done):").arg(QString::fromWCharArray(verb));
    for (;;) {
        double at[3] = {0, 0, 0};
        const Answer answer = window_.backend().askPoint(nullptr, prompt.toStdWString(), at);
        if (window_.documents().currentView() != view) {
            window_.commandLine().print("*Cancel*");
            return {};
        }
        if (answer == Answer::none)
            break;
        if (answer != Answer::point) {
            view->selection().clear();
            window_.commandLine().print("*Cancel*");
            return {};
        }
        if (const core::Handle found =
                pickEntity(view->displayList(), QPointF(at[0], at[1]), DrawingView::kPickPixels / view->scale()))
            view->selection().add({found});
        else
            window_.commandLine().print("Nothing there.");
    }
    if (view->selection().isEmpty())
        window_.commandLine().print("Nothing selected.");
    return view->selection().handles();
}

bool SelectionCommands::point(const double* base, const wchar_t* prompt, double result[3])
{
    DrawingView* view = window_.documents().currentView();
    const Answer answer = window_.backend().askPoint(base, prompt, result);
    if (answer != Answer::point || window_.documents().currentView() != view) {
        window_.commandLine().print("*Cancel*");
        return false;
    }
    return true;
}

void SelectionCommands::copy()
{
    const auto handles = objects(L"copy");
    if (handles.empty())
        return;
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = documents.historyOf(view->document());
    if (const std::wstring refused = history->refusedCopy(handles, {}, UndoHistory::kCopy); !refused.empty()) {
        window_.commandLine().print(QString::fromStdWString(refused));
        return;
    }
    double base[3] = {0, 0, 0};
    if (!point(nullptr, L"\nBase point:", base))
        return;
    // As many copies as points, until Enter; all of them one step.
    int steps = 0;
    std::size_t copied = 0;
    for (;;) {
        window_.pickAssist().setPreview(selectionGhost(view->displayList(), handles, base[0], base[1]));
        double to[3] = {0, 0, 0};
        const Answer answer = window_.backend().askPoint(base, L"\nSecond point (Enter when done):", to);
        window_.pickAssist().clearPreview();
        if (answer != Answer::point || documents.currentView() != view)
            break;
        std::vector<core::Handle> copies;
        std::wstring message;
        if (!history->copy(handles, core::Placement::translation(to[0] - base[0], to[1] - base[1]), UndoHistory::kCopy,
                           copies, message)) {
            window_.commandLine().print(QString::fromStdWString(message));
            break;
        }
        ++steps;
        copied += copies.size();
        documents.refreshCurrent();
    }
    history->join(steps);
    window_.commandLine().print(QString("Copied %1 (%2 entities added).").arg(handles.size()).arg(copied));
}

void SelectionCommands::rotate()
{
    const auto handles = objects(L"rotate");
    if (handles.empty() || refused(window_, handles, core::Placement::rotation({}, 45.0), UndoHistory::kRotate))
        return;
    double base[3] = {0, 0, 0};
    if (!point(nullptr, L"\nBase point:", base))
        return;
    const std::optional<double> degrees = askValue(
        window_, base, L"\nRotation angle (degrees, counter-clockwise), or pick a point:",
        [&](const double to[3]) -> std::optional<double> {
            if (to[0] == base[0] && to[1] == base[1])
                return std::nullopt;
            return std::atan2(to[1] - base[1], to[0] - base[0]) * (180.0 / M_PI);
        },
        [](std::optional<double> value, bool typed) {
            if (value)
                return QString();
            return typed ? QString("Type an angle in degrees (\".\" as decimal point), or pick a point.")
                         : QString("The point is the base point: it gives no angle.");
        });
    if (degrees)
        place(window_, handles, core::Placement::rotation({base[0], base[1], 0.0}, *degrees), UndoHistory::kRotate);
}

void SelectionCommands::scale()
{
    const auto handles = objects(L"scale");
    if (handles.empty() || refused(window_, handles, core::Placement::scaling({}, 2.0), UndoHistory::kScale))
        return;
    double base[3] = {0, 0, 0};
    if (!point(nullptr, L"\nBase point:", base))
        return;
    const std::optional<double> factor = askValue(
        window_, base, L"\nScale factor, or pick a point (its distance is the factor):",
        [&](const double to[3]) -> std::optional<double> { return std::hypot(to[0] - base[0], to[1] - base[1]); },
        // A factor of 0 would collapse the entities, a negative one turn them inside out.
        [](std::optional<double> value, bool) {
            return value && *value > 0.0 ? QString() : QString("The scale factor must be a number above 0.");
        });
    if (factor)
        place(window_, handles, core::Placement::scaling({base[0], base[1], 0.0}, *factor), UndoHistory::kScale);
}

void SelectionCommands::mirror()
{
    const auto handles = objects(L"mirror");
    if (handles.empty() || refused(window_, handles, core::Placement::mirror({}, {1.0, 0.0, 0.0}), UndoHistory::kMirror))
        return;
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = documents.historyOf(view->document());
    double first[3] = {0, 0, 0}, second[3] = {0, 0, 0};
    if (!point(nullptr, L"\nFirst point of mirror line:", first))
        return;
    for (;;) {
        if (!point(first, L"\nSecond point of mirror line:", second))
            return;
        if (second[0] != first[0] || second[1] != first[1])
            break;
        window_.commandLine().print("The two points are the same: they give no line.");
    }
    bool erase = false;
    for (;;) {
        double unused[3] = {0, 0, 0};
        QString typed;
        const Answer given = window_.backend().askPointOrText(nullptr, L"\nErase source objects? [Yes/No] <No>:", unused, typed);
        if (given == Answer::none)
            break;
        if (given == Answer::typed) {
            const QString answer = typed.toUpper();
            if (answer == "Y" || answer == "YES" || answer == "N" || answer == "NO") {
                erase = answer.startsWith('Y');
                break;
            }
        } else if (given != Answer::point || documents.currentView() != view) {
            window_.commandLine().print("*Cancel*");
            return;
        }
        window_.commandLine().print("Answer Yes or No (Enter: No).");
    }
    if (documents.currentView() != view) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    const core::Placement by = core::Placement::mirror({first[0], first[1], 0.0}, {second[0], second[1], 0.0});
    if (erase) {
        place(window_, handles, by, UndoHistory::kMirror);
        return;
    }
    // Kept originals: the mirror images are new entities.
    std::vector<core::Handle> copies;
    std::wstring message;
    if (!history->copy(handles, by, UndoHistory::kMirror, copies, message)) {
        window_.commandLine().print(QString::fromStdWString(message));
        return;
    }
    documents.refreshCurrent();
    window_.commandLine().print(QString("Mirrored %1 (%2 entities added).").arg(handles.size()).arg(copies.size()));
    noteDrawnCurves(window_, copies);
}

void SelectionCommands::erase()
{
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = view ? documents.historyOf(view->document()) : nullptr;
    if (!history || view->selection().isEmpty()) {
        window_.commandLine().print("Nothing selected: select entities, then erase them.");
        return;
    }
    const std::size_t count = view->selection().handles().size();
    std::wstring message;
    if (!history->erase(view->selection().handles(), message)) {
        window_.commandLine().print(QString::fromStdWString(message));
        return;
    }
    view->selection().clear();
    documents.refreshCurrent();
    window_.commandLine().print(QString("Erased %1.").arg(count));
}

void SelectionCommands::move()
{
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = view ? documents.historyOf(view->document()) : nullptr;
    if (!history || view->selection().isEmpty()) {
        window_.commandLine().print("Nothing selected: select entities, then move them.");
        return;
    }
    const std::vector<core::Handle> handles = view->selection().handles();
    if (const std::wstring refused = history->refusedMove(handles); !refused.empty()) {
        window_.commandLine().print(QString::fromStdWString(refused));
        return;
    }
    double base[3] = {0, 0, 0}, to[3] = {0, 0, 0};
    if (window_.backend().askPoint(nullptr, L"\nBase point:", base) != Answer::point) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    // The selection follows the cursor while the destination is asked for.
    window_.pickAssist().setPreview(selectionGhost(view->displayList(), handles, base[0], base[1]));
    const Answer picked = window_.backend().askPoint(base, L"\nDestination:", to);
    window_.pickAssist().clearPreview();
    if (picked != Answer::point) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    // The view may have changed while the points were asked for.
    if (documents.currentView() != view) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    std::wstring message;
    if (!history->move(handles, {to[0] - base[0], to[1] - base[1], 0.0}, message)) {
        window_.commandLine().print(QString::fromStdWString(message));
        return;
    }
    documents.refreshCurrent();
    window_.commandLine().print(QString("Moved %1.").arg(handles.size()));
}

} // namespace plotwright::editor

namespace plotwright::editor {

void SelectionCommands::setAppearance(const std::optional<QString>& layer, std::optional<int> color)
{
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = view ? documents.historyOf(view->document()) : nullptr;
    if (!history || view->selection().isEmpty())
        return;
    core::DrawingData* database = view->document()->database();
    struct Change {
        core::Handle handle;
        core::EntityAppearance before, after;
    };
    std::vector<Change> changes;
    for (core::Handle h : view->selection().handles()) {
        const core::EntityReader e(*database, h);
        if (!e)
            continue;
        Change c{h, e->appearance(), e->appearance()};
        if (layer)
            c.after.layer = layer->toStdWString();
        if (color) {
            c.after.colorIndex = *color;
            c.after.trueColor = -1;
        }
        if (!(c.after == c.before))
            changes.push_back(std::move(c));
    }
    const auto apply = [database, changes](bool redo) {
        for (const Change& c : changes)
            core::setEntityAppearance(*database, c.handle, redo ? c.after : c.before);
    };
    if (changes.empty())
        return;
    for (const Change& c : changes) {
        if (!core::setEntityAppearance(*database, c.handle, c.after)) {
            apply(false);
            window_.commandLine().print("An entity of the selection cannot be changed now (it is open elsewhere).");
            return;
        }
    }
    const std::wstring what = std::wstring(layer ? L"the layer" : L"the colour") + L" of " +
                              std::to_wstring(changes.size()) + (changes.size() == 1 ? L" entity" : L" entities");
    history->record(apply, what);
    documents.refreshCurrent();
    window_.commandLine().print(QString::fromStdWString(L"Changed " + what + L"."));
}

} // namespace plotwright::editor
