#include "host/backend.h"

#include "host/editor.h"

namespace plotwright::host {

int Backend::getPoint(const double*, std::wstring_view, double[3]) { return RTCAN; }
void Backend::setPickPreview(const std::vector<PreviewPoint>&) {}
void Backend::clearPickPreview() {}
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
