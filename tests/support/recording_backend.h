#pragma once
// A back-end for tests: records every editor call in order and answers point
// requests and message boxes from scripts given in advance.

#include "host/backend.h"

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace plotwright::host {

class RecordingBackend : public Backend {
public:
    enum class Kind {
        GetPoint, Alert, MessageBox, ProgressMeter, ProgressPos, RestoreStatusBar,
        BeginWaitCursor, EndWaitCursor, BeginEditorCommand, CompleteEditorCommand, FlushGraphics, UpdateDisplay, Redraw
    };

    struct Call {
        Kind kind;
        std::wstring text;   // prompt, alert or message-box text, meter label
        int a = 0;           // meter minimum or position, message-box type, redraw mode
        int b = 0;           // meter maximum
        bool operator==(const Call&) const = default;
    };

    // Point answers, consumed in order; with none left a request is cancelled (RTCAN).
    void scriptPoint(double x, double y, double z = 0);
    void scriptCancel();
    // Answers that only a request taking typed numbers accepts (getPointOrNumber): a typed
    // number (a point request given one gets RTERROR), and Enter (RTNONE).
    void scriptNumber(double number);
    void scriptEnter();
    // What selectedEntities() answers, and the handles pickEntity() answers in order
    // (with none left a pick is cancelled); prompts of entity picks are kept too.
    std::vector<std::uint64_t> selection;
    std::deque<std::uint64_t> picks;
    std::vector<std::wstring> pickPrompts;
    // Message-box answers, consumed in order; with none left the answer is IDOK.
    void scriptAnswer(int answer);

    // Progress positions are kept as a count and the last value, plus the first
    // `keptPositions` calls in `calls` (a long curve would otherwise flood the log).
    std::size_t keptPositions = 1000;
    std::size_t positionCount = 0;
    int lastPosition = -1;

    // Pick previews, apart from `calls` so that call sequences stay as the draw makes
    // them: every preview set, how often it was cleared, and for each point request
    // whether a preview was shown during it.
    std::vector<std::vector<PreviewPoint>> previews;
    int previewClears = 0;
    std::vector<bool> previewDuringPick;

    std::vector<Call> calls;
    std::vector<Kind> kinds() const;
    // Texts of alerts and message boxes, in order.
    std::vector<std::wstring> messages() const;
    void clear();

    int getPoint(const double* base, std::wstring_view prompt, double result[3]) override;
    int getPointOrNumber(const double* base, std::wstring_view prompt, double result[3], double& number) override;
    void setPickPreview(const std::vector<PreviewPoint>& points) override;
    void clearPickPreview() override;
    bool showsPickPreview() const override { return true; }
    std::vector<std::uint64_t> selectedEntities() override { return selection; }
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

private:
    struct Answer {
        enum { Point, Cancel, Number, Enter } kind;
        std::array<double, 3> point{};
        double number = 0;
    };
    int answer(const double* base, std::wstring_view prompt, double result[3], double* number);
    std::deque<Answer> points_;
    std::deque<int> answers_;
    bool previewShown_ = false;
};

} // namespace plotwright::host
