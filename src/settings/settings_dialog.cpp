#include "settings_dialog.h"

#include <cstddef>
#include <string>

#include "resource_ids.h"
#include "settings.h"

SettingsDialogState settingsDialogState;

namespace {

typedef BOOL(WINAPI* Ctl3dEntry)(HINSTANCE);

Ctl3dEntry ctl3dEntry(HMODULE module, LPCSTR name) {
  return reinterpret_cast<Ctl3dEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HWND bar(HWND dialog, SettingsBar which) {
  return GetDlgItem(dialog, which == SettingsBar::Style ? IDC_STYLE_BAR : IDC_SPEED_BAR);
}

// One check box a row, in the slot of the row's id; slot 0, Cycle, is a radio pair.
template <typename Rows>
void showFlags(HWND dialog, const FlagTable& flags, const Rows& rows) {
  for (const auto& row : rows)
    SendDlgItemMessageA(dialog, row.checkBox, BM_SETCHECK, flags[static_cast<size_t>(row.id)], 0);
}

template <typename Rows>
void storeFlags(HWND dialog, FlagTable& flags, const Rows& rows, int cycleButton) {
  flags[0] = IsDlgButtonChecked(dialog, cycleButton) == BST_CHECKED ? 1 : 0;
  for (const auto& row : rows)
    flags[static_cast<size_t>(row.id)] = IsDlgButtonChecked(dialog, row.checkBox) == BST_CHECKED ? 1 : 0;
}

bool storeAndSave(HWND dialog, Settings& settings) {
  settings.timerInterval = static_cast<uint16_t>(GetScrollPos(bar(dialog, SettingsBar::Speed), SB_CTL));
  settings.percentCrayon = static_cast<uint16_t>(GetScrollPos(bar(dialog, SettingsBar::Style), SB_CTL));
  settings.passwordRequired = 0;
  storeFlags(dialog, settings.patternFlags, patternTable, IDC_PATTERNS_CYCLE);
  storeFlags(dialog, settings.colorSetFlags, colorSetTable, IDC_COLORS_CYCLE);
  return saveSettings(settings);
}

// Says which file could not be written and why; the dialog stays open, so
// that OK can try again and Cancel can leave.
void reportSaveFailure(HWND dialog) {
  const DWORD error = GetLastError();
  char reason[256] = "";
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                      sizeof reason, nullptr))
    wsprintfA(reason, "Error %lu.", static_cast<unsigned long>(error));
  std::string text = "The settings could not be saved in " + profileFileLocation() + ".\n\n" + reason;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  char caption[128] = "";
  GetWindowTextA(dialog, caption, sizeof caption);
  MessageBoxA(dialog, text.c_str(), caption, MB_OK | MB_ICONERROR);
}

void onScroll(HWND dialog, WPARAM wParam, HWND scrolled) {
  const bool style = scrolled == bar(dialog, SettingsBar::Style);
  if (!style && scrolled != bar(dialog, SettingsBar::Speed)) return;
  const SettingsBar which = style ? SettingsBar::Style : SettingsBar::Speed;
  const int current = GetScrollPos(scrolled, SB_CTL);
  const int next = scrolledPosition(which, LOWORD(wParam), HIWORD(wParam), current);
  if (next == current) return;
  if (style) {
    setStylePosition(dialog, scrolled, next);
  } else {
    SetScrollPos(scrolled, SB_CTL, next, TRUE);
  }
}

}  // namespace

BarRange barRange(SettingsBar which) {
  return which == SettingsBar::Style ? BarRange{0, 100, 1, 10} : BarRange{5, 100, 2, 20};
}

int scrolledPosition(SettingsBar which, int request, int thumb, int current) {
  const BarRange range = barRange(which);
  int next = current;
  switch (request) {
    case SB_LINELEFT:
      next = current - range.lineStep;
      break;
    case SB_LINERIGHT:
      next = current + range.lineStep;
      break;
    case SB_PAGELEFT:
      next = current - range.pageStep;
      break;
    case SB_PAGERIGHT:
      next = current + range.pageStep;
      break;
    case SB_THUMBTRACK:
      next = thumb;
      break;
    case SB_LEFT:
      next = range.minimum;
      break;
    case SB_RIGHT:
      next = range.maximum;
      break;
    default:  // SB_THUMBPOSITION, SB_ENDSCROLL and anything else
      break;
  }
  if (next >= range.maximum) return range.maximum;
  return next < range.minimum ? range.minimum : next;
}

void formatShare(char* text, int percent) { wsprintfA(text, "%d%%", percent); }

BOOL loadCtl3d(HINSTANCE instance) {
  HMODULE& module = settingsDialogState.ctl3dModule;
  module = LoadLibraryA("Ctl3d32.dll");
  if (module) {
    if (Ctl3dEntry registerControls = ctl3dEntry(module, "Ctl3dRegister")) registerControls(instance);
  }
  return 1;
}

void centerWindow(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int x = (GetSystemMetrics(SM_CXSCREEN) + rect.left - rect.right) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) + rect.top - rect.bottom) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

void setStylePosition(HWND dialog, HWND styleBar, int position) {
  SetScrollPos(styleBar, SB_CTL, position, TRUE);
  char text[8];
  formatShare(text, position);
  SetDlgItemTextA(dialog, IDC_CRAYON_SHARE, text);
  formatShare(text, 100 - position);
  SetDlgItemTextA(dialog, IDC_CRISP_SHARE, text);
}

void initSettingsControls(HWND dialog, const Settings& settings) {
  SetScrollPos(bar(dialog, SettingsBar::Speed), SB_CTL, settings.timerInterval, TRUE);
  setStylePosition(dialog, bar(dialog, SettingsBar::Style), settings.percentCrayon);
  CheckRadioButton(dialog, IDC_PATTERNS_RANDOMIZE, IDC_PATTERNS_CYCLE,
                   settings.patternFlags[0] ? IDC_PATTERNS_CYCLE : IDC_PATTERNS_RANDOMIZE);
  CheckRadioButton(dialog, IDC_COLORS_RANDOMIZE, IDC_COLORS_CYCLE,
                   settings.colorSetFlags[0] ? IDC_COLORS_CYCLE : IDC_COLORS_RANDOMIZE);
  showFlags(dialog, settings.patternFlags, patternTable);
  showFlags(dialog, settings.colorSetFlags, colorSetTable);
}

INT_PTR runDialog(HWND parent, DLGPROC procedure, int templateId) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, procedure, 0);
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      loadProfileNames();
      centerWindow(dialog);
      for (SettingsBar which : {SettingsBar::Style, SettingsBar::Speed}) {
        const BarRange range = barRange(which);
        SetScrollRange(bar(dialog, which), SB_CTL, range.minimum, range.maximum, FALSE);
      }
      loadSettings(settings);
      initSettingsControls(dialog, settings);
      return TRUE;
    }
    case WM_HSCROLL:
      onScroll(dialog, wParam, reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (!storeAndSave(dialog, settings)) {
            reportSaveFailure(dialog);
            return TRUE;
          }
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_ABOUT:
          runDialog(dialog, aboutDialogProc, IDD_ABOUT);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      if (HMODULE& module = settingsDialogState.ctl3dModule) {
        if (Ctl3dEntry unregisterControls = ctl3dEntry(module, "Ctl3dUnregister"))
          unregisterControls(GetModuleHandleA(nullptr));
        FreeLibrary(module);
        module = nullptr;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    centerWindow(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
  return FALSE;
}
