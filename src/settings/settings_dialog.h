// The configuration dialog and its About box.
#pragma once

#include "platform/win32.h"
#include "settings.h"

// What the dialog keeps between its opening and its end: the optional
// library of three-dimensional controls.
struct SettingsDialogState {
  HMODULE ctl3dModule = nullptr;
};
extern SettingsDialogState settingsDialogState;

BOOL loadCtl3d(HINSTANCE instance);
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR runDialog(HWND parent, DLGPROC procedure, int templateId);
void centerWindow(HWND window);
void setStylePosition(HWND dialog, HWND styleBar, int position);
void initSettingsControls(HWND dialog, const Settings& settings);

// The dialog's two scroll bars: their ranges and steps, shared by every
// toolkit that shows the dialog.
enum class SettingsBar { Style, Speed };
struct BarRange {
  int minimum, maximum, lineStep, pageStep;
};
BarRange barRange(SettingsBar bar);
// The bar's position after a scroll request (SB_* code; thumb is the
// dragged position for SB_THUMBTRACK), held within the bar's range.
int scrolledPosition(SettingsBar bar, int request, int thumb, int current);
// The label of a share: "10%".
void formatShare(char* text, int percent);
