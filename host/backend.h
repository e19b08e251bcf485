#pragma once
// The seam between the plug-in's view of the editor and the program that hosts it.
// The editor operations in host/editor.h forward to the installed Backend: the GUI
// editor, the command-line tool and the tests' recording fake each install their own.

#include <cstdint>
#include <string_view>
#include <vector>

namespace plotwright::host {

// A point of what a point request places, relative to the point to be picked.
struct PreviewPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const PreviewPoint&, const PreviewPoint&) = default;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Point input. `base` is null or a point for rubber-banding; fills `result` (x, y, z)
    // and returns RTNORM, or returns another status (RTCAN, RTNONE, RTERROR) and leaves it.
    virtual int getPoint(const double* base, std::wstring_view prompt, double result[3]);
    // A point request that takes a typed number as well: RTNORM with `result`,
    // kNumberTyped with `number`, or another status. By default a point request only,
    // for hosts where nothing can be typed.
    static constexpr int kNumberTyped = 5006;
    virtual int getPointOrNumber(const double* base, std::wstring_view prompt, double result[3], double& number);
    // Angle input from `base` (x, y, z) through getPointOrNumber: a typed angle in degrees,
    // counter-clockwise, or a picked point, whose direction from `base` gives it. Sets
    // `degrees` and returns RTNORM, or returns RTNONE (Enter, or a point on `base`, which
    // gives no direction), RTCAN or RTERROR and leaves it.
    int getAngle(const double* base, std::wstring_view prompt, double& degrees);
    // What the next point requests place, to show following the cursor: `points`
    // relative to the point to be picked, a point that is not finite breaks the line.
    // Shown until clearPickPreview(); hosts that cannot show it ignore it.
    virtual void setPickPreview(const std::vector<PreviewPoint>& points);
    // As setPickPreview, for a request with a base point: `points` relative to the base,
    // shown there turned to the direction from the base to the cursor (a turn being picked).
    virtual void setTurningPreview(const std::vector<PreviewPoint>& points);
    virtual void clearPickPreview();
    // Whether setPickPreview shows anything: callers skip working out a preview (for a
    // curve, sampling it once more) for hosts without a cursor to follow.
    virtual bool showsPickPreview() const { return false; }
    // Entity input: the handles of the entities the user has selected in the current
    // drawing (none by default), and one entity picked now in answer to `prompt`:
    // RTNORM with `handle` set, or RTCAN/RTNONE.
    virtual std::vector<std::uint64_t> selectedEntities();
    virtual int pickEntity(std::wstring_view prompt, std::uint64_t& handle);

    // Modal alert; returns once the user has acknowledged it.
    virtual void alert(std::wstring_view message);
    // Framework message box; `type` holds MB_* flags. Returns the IDOK/IDYES/... of the answer.
    virtual int messageBox(std::wstring_view text, unsigned type);

    // Status-bar progress meter. Positions arrive once per sample: keep this call cheap.
    virtual void setProgressMeter(std::wstring_view label, int minimum, int maximum);
    virtual void setProgressMeterPos(int position);
    virtual void restoreStatusBar();

    virtual void beginWaitCursor();
    virtual void endWaitCursor();

    // A modal dialog hands control to the editor (it has hidden itself) and takes it back.
    virtual void beginEditorCommand();
    virtual void completeEditorCommand();

    // Display refresh after the database changed.
    virtual void flushGraphics();
    virtual void updateDisplay();
    virtual void redraw(int mode);
};

// The direction from `base` to `to` in degrees, counter-clockwise from the x axis (-180 ..
// 180); false when the points coincide in x and y or a coordinate is not finite.
bool angleToPoint(const double* base, const double* to, double& degrees);

// The installed back-end, or a do-nothing one (points: RTCAN, message boxes: IDOK).
Backend& backend();

// Installs `b` (not owned; null restores the do-nothing one) and returns the previous one.
Backend* installBackend(Backend* b);

// Installs a back-end for the lifetime of the scope (tests, the command-line tool).
class ScopedBackend {
public:
    explicit ScopedBackend(Backend& b) : previous_(installBackend(&b)) {}
    ~ScopedBackend() { installBackend(previous_); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

private:
    Backend* previous_;
};

} // namespace plotwright::host
