#include "support/recording_backend.h"

#include "host/editor.h"

namespace plotwright::host {

void RecordingBackend::scriptPoint(double x, double y, double z)
{
    points_.push_back({Answer::Point, std::array{x, y, z}});
}
void RecordingBackend::scriptCancel() { points_.push_back({Answer::Cancel}); }
void RecordingBackend::scriptNumber(double number) { points_.push_back({Answer::Number, {}, number}); }
void RecordingBackend::scriptEnter() { points_.push_back({Answer::Enter}); }
void RecordingBackend::scriptAnswer(int answer) { answers_.push_back(answer); }

std::vector<RecordingBackend::Kind> RecordingBackend::kinds() const
{
    std::vector<Kind> out;
    out.reserve(calls.size());
    for (const Call& c : calls)
        out.push_back(c.kind);
    return out;
}

std::vector<std::wstring> RecordingBackend::messages() const
{
    std::vector<std::wstring> out;
    for (const Call& c : calls)
        if (c.kind == Kind::Alert || c.kind == Kind::MessageBox)
            out.push_back(c.text);
    return out;
}

void RecordingBackend::clear()
{
    calls.clear();
    previews.clear();
    previewClears = 0;
    previewDuringPick.clear();
    positionCount = 0;
    lastPosition = -1;
}

int RecordingBackend::getPoint(const double* base, std::wstring_view prompt, double result[3])
{
    return answer(base, prompt, result, nullptr);
}

int RecordingBackend::getPointOrNumber(const double* base, std::wstring_view prompt, double result[3], double& number)
{
    return answer(base, prompt, result, &number);
}

int RecordingBackend::answer(const double*, std::wstring_view prompt, double result[3], double* number)
{
    calls.push_back({Kind::GetPoint, std::wstring(prompt), 0, 0});
    previewDuringPick.push_back(previewShown_);
    if (points_.empty())
        return RTCAN;
    const Answer next = points_.front();
    points_.pop_front();
    switch (next.kind) {
    case Answer::Point:
        for (int i = 0; i < 3; ++i)
            result[i] = next.point[i];
        return RTNORM;
    case Answer::Cancel:
        return RTCAN;
    case Answer::Number:
        if (!number)
            return RTERROR;
        *number = next.number;
        return kNumberTyped;
    case Answer::Enter:
        return RTNONE;
    }
    return RTCAN;
}

void RecordingBackend::setPickPreview(const std::vector<PreviewPoint>& points)
{
    previews.push_back(points);
    previewShown_ = true;
}

int RecordingBackend::pickEntity(std::wstring_view prompt, std::uint64_t& handle)
{
    pickPrompts.emplace_back(prompt);
    if (picks.empty())
        return RTCAN;
    handle = picks.front();
    picks.pop_front();
    return RTNORM;
}

void RecordingBackend::clearPickPreview()
{
    ++previewClears;
    previewShown_ = false;
}

void RecordingBackend::alert(std::wstring_view message) { calls.push_back({Kind::Alert, std::wstring(message), 0, 0}); }

int RecordingBackend::messageBox(std::wstring_view text, unsigned type)
{
    calls.push_back({Kind::MessageBox, std::wstring(text), static_cast<int>(type), 0});
    if (answers_.empty())
        return IDOK;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void RecordingBackend::setProgressMeter(std::wstring_view label, int minimum, int maximum)
{
    calls.push_back({Kind::ProgressMeter, std::wstring(label), minimum, maximum});
}

void RecordingBackend::setProgressMeterPos(int position)
{
    if (positionCount++ < keptPositions)
        calls.push_back({Kind::ProgressPos, {}, position, 0});
    lastPosition = position;
}

void RecordingBackend::restoreStatusBar() { calls.push_back({Kind::RestoreStatusBar, {}, 0, 0}); }
void RecordingBackend::beginWaitCursor() { calls.push_back({Kind::BeginWaitCursor, {}, 0, 0}); }
void RecordingBackend::endWaitCursor() { calls.push_back({Kind::EndWaitCursor, {}, 0, 0}); }
void RecordingBackend::beginEditorCommand() { calls.push_back({Kind::BeginEditorCommand, {}, 0, 0}); }
void RecordingBackend::completeEditorCommand() { calls.push_back({Kind::CompleteEditorCommand, {}, 0, 0}); }
void RecordingBackend::flushGraphics() { calls.push_back({Kind::FlushGraphics, {}, 0, 0}); }
void RecordingBackend::updateDisplay() { calls.push_back({Kind::UpdateDisplay, {}, 0, 0}); }
void RecordingBackend::redraw(int mode) { calls.push_back({Kind::Redraw, {}, mode, 0}); }

} // namespace plotwright::host
