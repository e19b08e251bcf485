#pragma once
// The editor operations a module calls, as this program performs them: point input
// through the command line and the drawing view (a nested event loop until a point,
// an empty answer or Escape), alerts and message boxes as modal message boxes, the
// status bar's progress meter, the wait cursor and the refresh of the current view.

#include "host/backend.h"

#include <QPointF>
#include <QString>

#include <array>
#include <optional>

class QEventLoop;
class QElapsedTimer;

namespace plotwright::editor {

class MainWindow;

class EditorBackend : public host::Backend {
public:
    explicit EditorBackend(MainWindow& window);
    ~EditorBackend() override;
    EditorBackend(const EditorBackend&) = delete;
    EditorBackend& operator=(const EditorBackend&) = delete;

    int getPoint(const double* base, std::wstring_view prompt, double result[3]) override;
    // Typed text that is not a number is refused with a message and the request goes on.
    int getPointOrNumber(const double* base, std::wstring_view prompt, double result[3], double& number) override;
    void setPickPreview(const std::vector<host::PreviewPoint>& points) override;
    void setTurningPreview(const std::vector<host::PreviewPoint>& points) override;
    void clearPickPreview() override;
    bool showsPickPreview() const override { return true; }
    // The current view's selection; a pick is a point request whose answer is the
    // shown entity under it.
    std::vector<std::uint64_t> selectedEntities() override;
    int pickEntity(std::wstring_view prompt, std::uint64_t& handle) override;
    void alert(std::wstring_view message) override;
    int messageBox(std::wstring_view text, unsigned type) override;
    void setProgressMeter(std::wstring_view label, int minimum, int maximum) override;
    void setProgressMeterPos(int position) override;
    void restoreStatusBar() override;
    void beginWaitCursor() override;
    void endWaitCursor() override;
    void beginEditorCommand() override;
    void completeEditorCommand() override;
    void flushGraphics() override;
    void updateDisplay() override;
    void redraw(int mode) override;

    // As getPoint, but typed text that is no point ends the request too: kTyped, with the
    // text (trimmed) in `typed`. For prompts that take a value or an answer as well as
    // a point (an angle, a scale factor, Yes or No).
    static constexpr int kTyped = 5005;
    int getPointOrText(const double* base, std::wstring_view prompt, double result[3], QString& typed);

    // The editor's own commands ask for points in these words rather than through the
    // module's status codes: a point, an empty answer (Enter), typed text (with
    // askPointOrText only), or nothing (Escape, or no drawing to pick in).
    enum class Answer { point, none, typed, cancelled };
    Answer askPoint(const double* base, std::wstring_view prompt, double result[3]);
    Answer askPointOrText(const double* base, std::wstring_view prompt, double result[3], QString& typed);

    // The answers to a point request, from the main window.
    bool isAskingForPoint() const { return loop_ != nullptr; }
    void pointPicked(const QPointF& world);
    // Typed text: "x,y" or "x,y,z" gives the point, empty text no point (RTNONE);
    // anything else is refused with a message and the request goes on.
    void pointTyped(const QString& text);
    void cancelPoint();

private:
    void finishPoint(int status, std::optional<std::array<double, 3>> point);

    MainWindow& window_;
    QEventLoop* loop_ = nullptr;
    int status_ = 0;
    bool acceptsText_ = false;
    QString typed_;
    std::array<double, 3> point_{};
    int waitDepth_ = 0;
    // Model-space entities when the outermost editor command began: what comes after
    // is kept in sight when it completes.
    int commandDepth_ = 0;
    std::size_t entitiesBefore_ = 0;
    QElapsedTimer* meterClock_;
};

// Parses "x,y" or "x,y,z" (blanks allowed around the numbers, "." as decimal point
// whatever the locale). Null for anything else, or numbers that are not finite.
std::optional<std::array<double, 3>> parsePoint(const QString& text);

} // namespace plotwright::editor
