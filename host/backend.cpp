#include "host/backend.h"

#include <cmath>
#include <numbers>

#include "host/editor.h"

namespace plotwright::host {

int Backend::getPoint(const double*, std::wstring_view, double[3]) { return RTCAN; }

int Backend::getPointOrNumber(const double* base, std::wstring_view prompt, double result[3], double&)
{
    return getPoint(base, prompt, result);
}

int Backend::getAngle(const double* base, std::wstring_view prompt, double& degrees)
{
    double to[3] = {0, 0, 0};
    double typed = 0;
    const int status = getPointOrNumber(base, prompt, to, typed);
    if (status == kNumberTyped) {
        if (!std::isfinite(typed))
            return RTNONE;
        degrees = typed;
        return RTNORM;
    }
    if (status != RTNORM)
        return status;
    return angleToPoint(base, to, degrees) ? RTNORM : RTNONE;
}

bool angleToPoint(const double* base, const double* to, double& degrees)
{
    const double dx = to[0] - base[0];
    const double dy = to[1] - base[1];
    if (!(dx != 0 || dy != 0) || !std::isfinite(dx) || !std::isfinite(dy))
        return false;
    degrees = std::atan2(dy, dx) * (180.0 / std::numbers::pi);
    return true;
}
void Backend::setPickPreview(const std::vector<PreviewPoint>&) {}
void Backend::setTurningPreview(const std::vector<PreviewPoint>&) {}
void Backend::clearPickPreview() {}
std::vector<std::uint64_t> Backend::selectedEntities() { return {}; }
int Backend::pickEntity(std::wstring_view, std::uint64_t&) { return RTCAN; }
void Backend::alert(std::wstring_view) {}
int Backend::messageBox(std::wstring_view, unsigned) { return IDOK; }
void Backend::setProgressMeter(std::wstring_view, int, int) {}
void Backend::setProgressMeterPos(int) {}
void Backend::restoreStatusBar() {}
void Backend::beginWaitCursor() {}
void Backend::endWaitCursor() {}
void Backend::beginEditorCommand() {}
void Backend::completeEditorCommand() {}
void Backend::flushGraphics() {}
void Backend::updateDisplay() {}
void Backend::redraw(int) {}

namespace {
Backend& quietBackend()
{
    static Backend quiet;
    return quiet;
}
Backend* installed = nullptr;
} // namespace

Backend& backend() { return installed ? *installed : quietBackend(); }

Backend* installBackend(Backend* b)
{
    Backend* previous = installed;
    installed = b;
    return previous;
}

} // namespace plotwright::host
