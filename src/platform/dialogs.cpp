// A small dialog manager: the templates of the resource script as windows
// with child controls (buttons with a check state, statics with a text,
// scroll bars with a range and a position), run modally by DialogBoxParamA.
// Without a front end nobody can answer a dialog: a dialog driver (a test,
// or a front end) stands in for the user.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "internal.h"
#include "resource_ids.h"
#include "version.h"

namespace platform::detail {
namespace {

struct TemplateControl {
  const char* text;
  int id;
  const char* className;
  DWORD style;
  int x, y, width, height;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int x, y, width, height;
  std::vector<TemplateControl> controls;
};

const DialogTemplate dialogTemplates[] = {
#define DIALOG_BEGIN(id, caption, x, y, width, height) \
  {                                                    \
    id, caption, x, y, width, height, {
#define DIALOG_CONTROL(text, id, className, style, x, y, width, height) \
  {text, id, className, static_cast<DWORD>(style), x, y, width, height},
#define DIALOG_END \
  }                \
  }                \
  ,
#include "dialogs.def"
#undef DIALOG_BEGIN
#undef DIALOG_CONTROL
#undef DIALOG_END
};

// Dialog units of the template's 8-point font, in pixels.
int horizontalPixels(int units) { return units * 6 / 4; }
int verticalPixels(int units) { return units * 13 / 8; }

struct ControlState {
  UINT check = BST_UNCHECKED;
  int minimum = 0;
  int maximum = 100;
  int position = 0;
};

struct RunningDialog {
  DLGPROC procedure = nullptr;
  bool ended = false;
  INT_PTR result = 0;
};

struct DialogsState {
  std::map<uintptr_t, ControlState> controls;
  std::map<uintptr_t, RunningDialog> dialogs;
  platform::DialogDriver driver;
};

DialogsState& state() {
  static DialogsState instance;
  return instance;
}

uintptr_t key(HWND window) { return reinterpret_cast<uintptr_t>(window); }

constexpr char dialogClassName[] = "#32770";

LRESULT CALLBACK dialogWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = state().dialogs.find(key(window));
  if (it != state().dialogs.end() && it->second.procedure) {
    if (INT_PTR handled = it->second.procedure(window, message, wParam, lParam)) return handled;
  }
  // Closing a dialog means Cancel.
  if (message == WM_CLOSE) return SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK controlWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_SETCHECK:
      // Two-state buttons take any state above checked as checked.
      state().controls[key(window)].check = wParam > BST_CHECKED ? BST_CHECKED : static_cast<UINT>(wParam);
      return 0;
    case BM_GETCHECK:
      return state().controls[key(window)].check;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

ControlState* scrollBar(HWND window, int bar) {
  if (bar != SB_CTL || !findWindow(window)) return nullptr;
  return &state().controls[key(window)];
}

}  // namespace

void registerDialogClasses() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = dialogWindowProcedure;
  windowClass.lpszClassName = dialogClassName;
  RegisterClassA(&windowClass);
  windowClass.lpfnWndProc = controlWindowProcedure;
  for (const char* name : {"Button", "Static", "ScrollBar"}) {
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
  }
  for (const char* name : {dialogClassName, "Button", "Static", "ScrollBar"})
    findRegisteredClass(name)->shownByDialogDriver = true;
}

void resetDialogs() { state() = DialogsState{}; }

}  // namespace platform::detail

using namespace platform::detail;

namespace platform {

void setDialogDriver(DialogDriver driver) { state().driver = std::move(driver); }

bool dialogEnded(HWND dialog) {
  auto it = state().dialogs.find(key(dialog));
  return it == state().dialogs.end() || it->second.ended;
}

}  // namespace platform

namespace {

INT_PTR runDialog(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                  LPARAM param) {
  if (!procedure || !state().driver) return -1;
  registerDialogClasses();
  const DialogTemplate& t = dialogTemplate;
  HWND dialog =
      CreateWindowExA(0, dialogClassName, t.caption, WS_POPUP, horizontalPixels(t.x), verticalPixels(t.y),
                      horizontalPixels(t.width), verticalPixels(t.height), nullptr, nullptr, instance, nullptr);
  if (!dialog) return -1;
  // An owned popup: GetParent reports its owner, and the owner's end ends it.
  findWindow(dialog)->parent = owner && findWindow(owner) ? owner : nullptr;
  for (const TemplateControl& control : t.controls)
    CreateWindowExA(0, control.className, control.text, WS_CHILD | control.style, horizontalPixels(control.x),
                    verticalPixels(control.y), horizontalPixels(control.width), verticalPixels(control.height), dialog,
                    reinterpret_cast<HMENU>(static_cast<intptr_t>(control.id)), instance, nullptr);
  state().dialogs[key(dialog)] = RunningDialog{procedure};
  SendMessageA(dialog, WM_INITDIALOG, 0, param);
  // The driver answers for the user; whatever it leaves queued runs before the dialog ends.
  const platform::DialogDriver driver = state().driver;
  driver(dialog);
  MSG msg;
  while (!state().dialogs[key(dialog)].ended && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  const RunningDialog finished = state().dialogs[key(dialog)];
  DestroyWindow(dialog);
  state().dialogs.erase(key(dialog));
  return finished.ended ? finished.result : -1;
}

INT_PTR CALLBACK messageBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(box, IDOK);
    return TRUE;
  }
  return message == WM_INITDIALOG;
}

}  // namespace

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
  const int id = static_cast<WORD>(reinterpret_cast<uintptr_t>(templateName));
  const auto found = std::find_if(std::begin(dialogTemplates), std::end(dialogTemplates),
                                  [id](const DialogTemplate& t) { return t.id == id; });
  if (found == std::end(dialogTemplates)) return -1;
  return runDialog(instance, *found, owner, procedure, param);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT) {
  // Sized for the text in the dialog font: about 4 units a character, 8 a line.
  const std::string message = text ? text : "";
  int columns = 0, rows = 1, column = 0;
  for (const char c : message) {
    column = c == '\n' ? 0 : column + 1;
    rows += c == '\n';
    columns = std::max(columns, column);
  }
  const int width = std::clamp(columns * 4 + 16, 120, 400);
  const int textHeight = rows * 8 + (columns * 4 > 384 ? columns * 4 / 384 * 8 : 0);
  DialogTemplate box{0, caption ? caption : "Error", 0, 0, width, textHeight + 40, {}};
  box.controls.push_back({message.c_str(), -1, "Static", SS_LEFT | WS_VISIBLE, 8, 8, width - 16, textHeight});
  box.controls.push_back(
      {"OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP, (width - 40) / 2, textHeight + 16, 40, 14});
  const INT_PTR result = runDialog(GetModuleHandleA(nullptr), box, owner, messageBoxProcedure, 0);
  return result < 0 ? 0 : static_cast<int>(result);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  auto it = state().dialogs.find(key(dialog));
  if (it == state().dialogs.end()) return FALSE;
  it->second.ended = true;
  it->second.result = result;
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  for (HWND child : platform::childWindows(dialog))
    if (findWindow(child)->id == id) return child;
  return nullptr;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL WINAPI CheckRadioButton(HWND dialog, int first, int last, int check) {
  for (int id = first; id <= last; ++id)
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  Window* control = findWindow(GetDlgItem(dialog, id));
  if (!control) return FALSE;
  control->title = text ? text : "";
  return TRUE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
  Window* control = findWindow(GetDlgItem(dialog, id));
  if (!control || !text || size <= 0) return 0;
  const size_t length = std::min(control->title.size(), static_cast<size_t>(size - 1));
  std::memcpy(text, control->title.data(), length);
  text[length] = '\0';
  return static_cast<UINT>(length);
}

int WINAPI SetScrollRange(HWND window, int bar, int minimum, int maximum, BOOL) {
  ControlState* control = scrollBar(window, bar);
  if (!control) return FALSE;
  control->minimum = minimum;
  control->maximum = maximum;
  control->position = std::clamp(control->position, minimum, std::max(minimum, maximum));
  return TRUE;
}

int WINAPI SetScrollPos(HWND window, int bar, int position, BOOL) {
  ControlState* control = scrollBar(window, bar);
  if (!control) return 0;
  const int previous = control->position;
  control->position = std::clamp(position, control->minimum, std::max(control->minimum, control->maximum));
  return previous;
}

int WINAPI GetScrollPos(HWND window, int bar) {
  ControlState* control = scrollBar(window, bar);
  return control ? control->position : 0;
}

BOOL WINAPI GetScrollRange(HWND window, int bar, LPINT minimum, LPINT maximum) {
  ControlState* control = scrollBar(window, bar);
  if (!control || !minimum || !maximum) return FALSE;
  *minimum = control->minimum;
  *maximum = control->maximum;
  return TRUE;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  // The platform's own function writes at most 1024 characters.
  const int written = std::vsnprintf(buffer, 1025, format, arguments);
  va_end(arguments);
  return std::min(written, 1024);
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) { return controls != nullptr; }
