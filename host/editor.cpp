#include "host/editor.h"

#include "host/backend.h"

using plotwright::host::backend;

namespace {
std::wstring_view text(const wchar_t* s) { return s ? std::wstring_view(s) : std::wstring_view(); }
} // namespace

int acedGetPoint(const ads_point base, const wchar_t* prompt, ads_point result)
{
    return backend().getPoint(base, text(prompt), result);
}

int acedAlert(const wchar_t* message)
{
    backend().alert(text(message));
    return RTNORM;
}

int acedSetStatusBarProgressMeter(const wchar_t* label, int minPos, int maxPos)
{
    backend().setProgressMeter(text(label), minPos, maxPos);
    return 0;
}

int acedSetStatusBarProgressMeterPos(int pos)
{
    backend().setProgressMeterPos(pos);
    return 0;
}

int acedRestoreStatusBar()
{
    backend().restoreStatusBar();
    return 0;
}

void acedUpdateDisplay() { backend().updateDisplay(); }

int acedRedraw(const ads_name, int mode)
{
    backend().redraw(mode);
    return RTNORM;
}

int AfxMessageBox(const wchar_t* text_, unsigned type, unsigned)
{
    return backend().messageBox(text(text_), type);
}

void BeginWaitCursor() { backend().beginWaitCursor(); }
void EndWaitCursor() { backend().endWaitCursor(); }
