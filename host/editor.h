#pragma once
// The editor operations the plug-in uses, under the editor's own names and status
// codes. Each forwards to the installed back-end (host/backend.h).

using ads_real = double;
using ads_point = ads_real[3];
using ads_name = long[2];

// Result codes of the editor's input functions.
constexpr int RTNORM = 5100;
constexpr int RTNONE = 5000;
constexpr int RTERROR = -5001;
constexpr int RTCAN = -5002;

// Message-box types and answers of the framework message box.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// `base` may be null. Returns RTNORM with `result` filled, or another status.
int acedGetPoint(const ads_point base, const wchar_t* prompt, ads_point result);
int acedAlert(const wchar_t* message);
int acedSetStatusBarProgressMeter(const wchar_t* label, int minPos, int maxPos);
int acedSetStatusBarProgressMeterPos(int pos);
int acedRestoreStatusBar();
void acedUpdateDisplay();
// `entity` may be null for the whole view; `mode` as the editor's redraw modes (4: redraw).
int acedRedraw(const ads_name entity, int mode);

int AfxMessageBox(const wchar_t* text, unsigned type = MB_OK, unsigned helpId = 0);

// The application's wait cursor (nests).
void BeginWaitCursor();
void EndWaitCursor();
