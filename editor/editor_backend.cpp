#include "editor/editor_backend.h"

#include "base/number_text.h"

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/main_window.h"
#include "editor/pick_assist.h"
#include "core/drawing_contents.h"
#include "host/doc_manager.h"
#include "render/display_shapes.h"
#include "host/editor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <charconv>
#include <cmath>
#include <string>

namespace plotwright::editor {

namespace {

QString qt(std::wstring_view text) { return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size())); }

// A typed coordinate: a number with "." between blanks.
std::optional<double> parseNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return base::parseNumber(text);
}

} // namespace

std::optional<std::array<double, 3>> parsePoint(const QString& text)
{
    const std::string utf8 = text.toStdString();
    std::array<double, 3> point{0, 0, 0};
    std::size_t start = 0;
    int count = 0;
    for (;;) {
        const std::size_t comma = utf8.find(',', start);
        const std::string_view part(utf8.data() + start, (comma == std::string::npos ? utf8.size() : comma) - start);
        if (count == 3)
            return std::nullopt;
        const auto value = parseNumber(part);
        if (!value)
            return std::nullopt;
        point[static_cast<std::size_t>(count++)] = *value;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (count < 2)
        return std::nullopt;
    return point;
}

EditorBackend::EditorBackend(MainWindow& window) : window_(window), meterClock_(new QElapsedTimer) {}

EditorBackend::~EditorBackend()
{
    cancelPoint();
    while (waitDepth_ > 0)
        endWaitCursor();
    delete meterClock_;
}

int EditorBackend::getPoint(const double* basePoint, std::wstring_view prompt, double result[3])
{
    DrawingView* view = window_.documents().currentView();
    if (loop_ || !view)
        return RTERROR;
    window_.pickAssist().begin(view->document() ? view->document()->database() : nullptr, basePoint);
    window_.beginPointInput(qt(prompt));
    // The wait cursor of a surrounding operation must not hide the pick cursor.
    const int waits = waitDepth_;
    while (waitDepth_ > 0)
        endWaitCursor();

    QEventLoop loop;
    loop_ = &loop;
    status_ = RTCAN;
    loop.exec();
    loop_ = nullptr;

    for (int i = 0; i < waits; ++i)
        beginWaitCursor();
    window_.endPointInput();
    window_.pickAssist().end();
    if (status_ == RTNORM) {
        result[0] = point_[0];
        result[1] = point_[1];
        result[2] = point_[2];
    }
    return status_;
}

int EditorBackend::getPointOrText(const double* base, std::wstring_view prompt, double result[3], QString& typed)
{
    acceptsText_ = true;
    typed_.clear();
    const int status = getPoint(base, prompt, result);
    acceptsText_ = false;
    typed = typed_;
    return status;
}

int EditorBackend::getPointOrNumber(const double* base, std::wstring_view prompt, double result[3], double& number)
{
    for (;;) {
        QString typed;
        const int status = getPointOrText(base, prompt, result, typed);
        if (status != kTyped)
            return status;
        // "." whatever the locale, as every number the editor takes.
        const std::string utf8 = typed.trimmed().toStdString();
        double value = 0;
        const char* end = utf8.data() + utf8.size();
        const auto [stop, error] = std::from_chars(utf8.data(), end, value);
        if (!utf8.empty() && error == std::errc() && stop == end && std::isfinite(value)) {
            number = value;
            return kNumberTyped;
        }
        window_.commandLine().print(QStringLiteral("Type a number (\".\" as decimal point), or pick a point."));
    }
}

namespace {

EditorBackend::Answer answerOf(int status)
{
    switch (status) {
    case RTNORM: return EditorBackend::Answer::point;
    case RTNONE: return EditorBackend::Answer::none;
    case EditorBackend::kTyped: return EditorBackend::Answer::typed;
    default: return EditorBackend::Answer::cancelled;
    }
}

} // namespace

EditorBackend::Answer EditorBackend::askPoint(const double* base, std::wstring_view prompt, double result[3])
{
    return answerOf(getPoint(base, prompt, result));
}

EditorBackend::Answer EditorBackend::askPointOrText(const double* base, std::wstring_view prompt, double result[3],
                                                    QString& typed)
{
    return answerOf(getPointOrText(base, prompt, result, typed));
}

std::vector<std::uint64_t> EditorBackend::selectedEntities()
{
    DrawingView* view = window_.documents().currentView();
    if (!view)
        return {};
    const std::vector<core::Handle>& handles = view->selection().handles();
    return {handles.begin(), handles.end()};
}

int EditorBackend::pickEntity(std::wstring_view prompt, std::uint64_t& handle)
{
    double point[3] = {0, 0, 0};
    for (;;) {
        const int status = getPoint(nullptr, prompt, point);
        if (status != RTNORM)
            return status;
        DrawingView* view = window_.documents().currentView();
        if (!view)
            return RTERROR;
        if (const core::Handle found =
                editor::pickEntity(view->displayList(), QPointF(point[0], point[1]), DrawingView::kPickPixels / view->scale())) {
            handle = found;
            view->selection().set({found});
            return RTNORM;
        }
        window_.commandLine().print(QStringLiteral("Nothing there: pick on an entity, or press Escape."));
    }
}

void EditorBackend::finishPoint(int status, std::optional<std::array<double, 3>> point)
{
    if (!loop_)
        return;
    status_ = status;
    if (point)
        point_ = *point;
    loop_->quit();
}

void EditorBackend::pointPicked(const QPointF& world) { finishPoint(RTNORM, std::array{world.x(), world.y(), 0.0}); }

void EditorBackend::pointTyped(const QString& text)
{
    if (!loop_)
        return;
    if (text.trimmed().isEmpty()) {
        finishPoint(RTNONE, std::nullopt);
        return;
    }
    if (auto point = parsePoint(text)) {
        finishPoint(RTNORM, point);
        return;
    }
    if (acceptsText_) {
        typed_ = text.trimmed();
        finishPoint(kTyped, std::nullopt);
        return;
    }
    window_.commandLine().print("Invalid point: \"" + text + "\". Type x,y or x,y,z, or click in the drawing.");
}

void EditorBackend::cancelPoint() { finishPoint(RTCAN, std::nullopt); }

void EditorBackend::alert(std::wstring_view message)
{
    QMessageBox box(QMessageBox::Warning, window_.applicationTitle(), qt(message), QMessageBox::Ok, window_.dialogParent());
    box.exec();
}

int EditorBackend::messageBox(std::wstring_view text, unsigned type)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MB_YESNO:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    default:
        break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QMessageBox box(icon, window_.applicationTitle(), qt(text), buttons, window_.dialogParent());
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Ok:
        return IDOK;
    default:
        // Closed without a button: the box's escape answer.
        return (buttons & QMessageBox::Cancel) ? IDCANCEL : (buttons & QMessageBox::No) ? IDNO : IDOK;
    }
}

void EditorBackend::setProgressMeter(std::wstring_view label, int minimum, int maximum)
{
    window_.showProgress(qt(label), minimum, maximum);
    meterClock_->start();
}

void EditorBackend::setProgressMeterPos(int position)
{
    // Positions come once per sample: update the bar only a few times a second.
    QProgressBar* bar = window_.progressBar();
    if (!bar->isVisible() || (meterClock_->isValid() && meterClock_->elapsed() < 100 && position < bar->maximum()))
        return;
    meterClock_->restart();
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    bar->repaint();
}

void EditorBackend::restoreStatusBar() { window_.hideProgress(); }

void EditorBackend::beginWaitCursor()
{
    if (waitDepth_++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void EditorBackend::endWaitCursor()
{
    if (waitDepth_ == 0)
        return;
    if (--waitDepth_ == 0)
        QApplication::restoreOverrideCursor();
}

void EditorBackend::setPickPreview(const std::vector<host::PreviewPoint>& points)
{
    window_.pickAssist().setPreview(points);
}

void EditorBackend::setTurningPreview(const std::vector<host::PreviewPoint>& points)
{
    window_.pickAssist().setPreview(points, PickAssist::Preview::turnsAboutBase);
}

void EditorBackend::clearPickPreview() { window_.pickAssist().clearPreview(); }

namespace {

std::size_t modelSpaceCount(const core::DrawingData& database)
{
    std::size_t count = 0;
    database.forEachEntity([&](const core::Entity&) { ++count; });
    return count;
}

} // namespace

void EditorBackend::beginEditorCommand()
{
    window_.documents().checkpoint();
    Document* document = window_.documents().currentDocument();
    if (commandDepth_++ == 0 && document && document->database())
        entitiesBefore_ = modelSpaceCount(*document->database());
}

void EditorBackend::completeEditorCommand()
{
    window_.documents().refreshCurrent();
    if (commandDepth_ == 0 || --commandDepth_ > 0)
        return;
    // What the command added stays in sight: the view pans to it (zooms only when it
    // does not fit).
    Document* document = window_.documents().currentDocument();
    DrawingView* view = window_.documents().currentView();
    if (!document || !document->database() || !view)
        return;
    const core::DrawingData& database = *document->database();
    db::Extents3d added;
    std::size_t index = 0;
    database.forEachEntity([&](const core::Entity& entity) {
        if (index++ >= entitiesBefore_)
            db::addExtents(database, entity, added);
    });
    if (!added.empty)
        view->keepInSight(QRectF(QPointF(added.minX, added.minY), QPointF(added.maxX, added.maxY)));
}

void EditorBackend::flushGraphics() { window_.documents().refreshCurrent(); }

void EditorBackend::updateDisplay() { window_.documents().refreshCurrent(); }

void EditorBackend::redraw(int) { window_.documents().refreshCurrent(); }

} // namespace plotwright::editor
