// Window classes, windows, the message queue and window timers.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <thread>
#include <vector>

#include "internal.h"

namespace platform::detail {
namespace {

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT interval;
  uint64_t due;
};

struct WindowingState {
  std::vector<std::shared_ptr<WindowClassRecord>> classes;
  std::map<uintptr_t, std::unique_ptr<Window>> windows;
  uintptr_t nextWindowHandle = 0x10010;
  std::deque<MSG> posted;
  std::vector<std::string> registeredMessages;
  HWND foreground = nullptr;
  bool quitPosted = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  DeviceFactory deviceFactory;
  Desktop* desktop = nullptr;
};

WindowingState& state() {
  static WindowingState instance;
  return instance;
}

uintptr_t handleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }

// Client sizes stay within what a 16-bit size message can carry.
int clientSize(int pixels) { return std::clamp(pixels, 0, 32767); }

std::shared_ptr<WindowClassRecord> findClass(const char* name) {
  if (name == nullptr) return nullptr;
  for (auto& windowClass : state().classes)
    if (equalsIgnoringCase(windowClass->name, name)) return windowClass;
  return nullptr;
}

bool matchesFilter(HWND messageWindow, HWND filter) { return filter == nullptr || messageWindow == filter; }

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  GetCursorPos(&msg.pt);
  return msg;
}

// Win32's retrieval order: posted messages, the quit message, paint, timers.
bool takeMessage(MSG* msg, HWND filter, bool remove) {
  WindowingState& s = state();
  for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
    if (!matchesFilter(it->hwnd, filter)) continue;
    *msg = *it;
    if (remove) s.posted.erase(it);
    return true;
  }
  if (s.quitPosted) {
    *msg = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0);
    if (remove) s.quitPosted = false;
    return true;
  }
  for (auto& [handle, window] : s.windows) {
    HWND hwnd = reinterpret_cast<HWND>(handle);
    if (window->visible && window->updatePending && matchesFilter(hwnd, filter)) {
      *msg = makeMessage(hwnd, WM_PAINT, 0, 0);
      return true;  // stays until the window is validated
    }
  }
  const uint64_t now = clockNow();
  for (Timer& timer : s.timers) {
    if (timer.due > now || !matchesFilter(timer.window, filter)) continue;
    *msg = makeMessage(timer.window, WM_TIMER, timer.id, 0);
    if (remove) {
      // Like Win32, a late timer does not catch up with a burst of ticks.
      timer.due += timer.interval;
      if (timer.due <= now) timer.due = now + timer.interval;
    }
    return true;
  }
  return false;
}

// Waits until a timer is due or, with a desktop, input arrives; false when
// nothing could ever arrive.
bool waitForWork() {
  uint64_t nextDue = UINT64_MAX;
  for (const Timer& timer : state().timers) nextDue = std::min(nextDue, timer.due);
  if (Desktop* source = state().desktop; source && !usingVirtualClock()) {
    source->waitForInput(nextDue);
    return true;
  }
  if (nextDue == UINT64_MAX) return false;
  if (usingVirtualClock()) {
    advanceVirtualClock(nextDue);
  } else {
    const uint64_t now = clockNow();
    if (nextDue > now) std::this_thread::sleep_for(std::chrono::milliseconds(nextDue - now));
  }
  return true;
}

void removeWindowTimersAndMessages(HWND window) {
  WindowingState& s = state();
  std::erase_if(s.timers, [window](const Timer& t) { return t.window == window; });
  std::erase_if(s.posted, [window](const MSG& m) { return m.hwnd == window; });
}

}  // namespace

Window* findWindow(HWND window) {
  auto& windows = state().windows;
  auto it = windows.find(handleValue(window));
  return it == windows.end() ? nullptr : it->second.get();
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

WindowClassRecord* findRegisteredClass(const char* name) { return findClass(name).get(); }

void resetWindowing() {
  WindowingState& s = state();
  for (auto& [handle, window] : s.windows)
    if (window->ownDc) destroyDeviceContext(window->ownDc);
  s = WindowingState{};
}

// A window of the desktop outside this process, with its client size.
bool desktopWindow(HWND window, SIZE& size) {
  return window != nullptr && state().desktop && state().desktop->clientSize(window, size);
}

}  // namespace platform::detail

using namespace platform::detail;

namespace platform {

void setDeviceFactory(DeviceFactory factory) { state().deviceFactory = std::move(factory); }

Device* windowDevice(HWND window) {
  Window* w = findWindow(window);
  return w ? w->device.get() : nullptr;
}

void setDesktop(Desktop* desktop) { state().desktop = desktop; }

std::optional<WindowDescription> describeWindow(HWND window) {
  const Window* w = findWindow(window);
  if (!w) return std::nullopt;
  return WindowDescription{w->windowClass->name,
                           w->title,
                           w->style,
                           w->exStyle,
                           w->id,
                           w->parent,
                           RECT{w->x, w->y, w->x + w->width, w->y + w->height}};
}

std::vector<HWND> childWindows(HWND parent) {
  std::vector<HWND> children;
  for (auto& [handle, window] : state().windows)
    if (window->parent == parent) children.push_back(reinterpret_cast<HWND>(handle));
  return children;
}

}  // namespace platform

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr) return 0;
  if (findClass(windowClass->lpszClassName)) return 0;
  auto record = std::make_shared<WindowClassRecord>();
  record->name = windowClass->lpszClassName;
  record->style = windowClass->style;
  record->procedure = windowClass->lpfnWndProc;
  record->background = windowClass->hbrBackground;
  record->instance = windowClass->hInstance;
  state().classes.push_back(record);
  return static_cast<ATOM>(0xC000 + state().classes.size());
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  auto windowClass = findClass(className);
  if (!windowClass) return nullptr;
  SIZE desktopSize;
  if (parent != nullptr && !findWindow(parent) && !desktopWindow(parent, desktopSize)) return nullptr;
  WindowingState& s = state();
  HWND handle = reinterpret_cast<HWND>(s.nextWindowHandle);
  s.nextWindowHandle += 4;

  auto window = std::make_unique<Window>();
  window->windowClass = windowClass;
  window->title = windowName ? windowName : "";
  window->style = style;
  window->exStyle = exStyle;
  window->parent = (style & WS_CHILD) ? parent : nullptr;
  // A child window's menu handle is its control id.
  window->id = (style & WS_CHILD) ? static_cast<int>(reinterpret_cast<intptr_t>(menu)) : 0;
  window->x = x;
  window->y = y;
  window->width = clientSize(width);
  window->height = clientSize(height);
  window->visible = (style & WS_VISIBLE) != 0;
  Window& created = *window;
  s.windows[handleValue(handle)] = std::move(window);
  if (s.deviceFactory && !windowClass->shownByDialogDriver) created.device = s.deviceFactory(handle);
  if (created.device) created.device->resize(created.width, created.height);
  if (windowClass->style & CS_OWNDC) created.ownDc = createDeviceContext(handle, true);

  CREATESTRUCTA create{};
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = menu;
  create.hwndParent = parent;
  create.cx = width;
  create.cy = height;
  create.x = x;
  create.y = y;
  create.style = static_cast<LONG>(style);
  create.lpszName = windowName;
  create.lpszClass = className;
  create.dwExStyle = exStyle;
  if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  Window* alive = findWindow(handle);
  if (!alive) return nullptr;
  SendMessageA(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(alive->width, alive->height));
  if ((alive = findWindow(handle)) && alive->visible) alive->updatePending = alive->erasePending = true;
  return alive ? handle : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
  if (!findWindow(window)) return FALSE;
  SendMessageA(window, WM_DESTROY, 0, 0);
  for (HWND child : platform::childWindows(window)) DestroyWindow(child);
  removeWindowTimersAndMessages(window);
  Window* w = findWindow(window);
  if (!w) return TRUE;
  if (w->ownDc) destroyDeviceContext(w->ownDc);
  if (state().foreground == window) state().foreground = nullptr;
  state().windows.erase(handleValue(window));
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
  SIZE size;
  return findWindow(window) != nullptr || desktopWindow(window, size);
}

HWND WINAPI GetParent(HWND window) {
  Window* w = findWindow(window);
  return w ? w->parent : nullptr;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int size) {
  Window* w = findWindow(window);
  if (!text || size <= 0) return 0;
  const size_t length = w ? std::min(w->title.size(), static_cast<size_t>(size - 1)) : 0;
  if (length) std::memcpy(text, w->title.data(), length);
  text[length] = '\0';
  return static_cast<int>(length);
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (auto& [handle, w] : state().windows) {
    if (className && !equalsIgnoringCase(w->windowClass->name, className)) continue;
    if (windowName && w->title != windowName) continue;
    return reinterpret_cast<HWND>(handle);
  }
  // Other programs' windows, a saver already running among them.
  return state().desktop && className && windowName ? state().desktop->find(className, windowName) : nullptr;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
  if (!findWindow(window)) return state().desktop && state().desktop->bringToFront(window);
  state().foreground = window;
  return TRUE;
}

HWND WINAPI GetForegroundWindow() { return state().foreground; }

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  Window* w = findWindow(window);
  if (!w || !rect) return FALSE;
  *rect = RECT{w->x, w->y, w->x + w->width, w->y + w->height};
  return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
  Window* w = findWindow(window);
  if (!w) return FALSE;
  w->x = x;
  w->y = y;
  if (!(flags & SWP_NOSIZE)) {
    w->width = clientSize(width);
    w->height = clientSize(height);
    if (w->device) w->device->resize(w->width, w->height);
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->width, w->height));
  }
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  Window* w = findWindow(window);
  SIZE size{};
  if (w) size = SIZE{w->width, w->height};
  if (!rect || (!w && !desktopWindow(window, size))) return FALSE;
  *rect = RECT{0, 0, clientSize(size.cx), clientSize(size.cy)};
  return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = findWindow(window);
  if (!w) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = w->windowClass->background;
      if (!brush) return 0;
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT clip;
      GetClipBox(dc, &clip);
      FillRect(dc, &clip, brush);
      return 1;
    }
    case WM_PAINT:
      // What BeginPaint and EndPaint would do: erase if asked, then validate.
      if (w->updatePending && w->erasePending) {
        w->erasePending = false;
        HDC dc = GetDC(window);
        SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(window, dc);
      }
      if ((w = findWindow(window))) w->updatePending = w->erasePending = false;
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    default:
      (void)lParam;
      return 0;
  }
}

ULONG_PTR WINAPI SetClassLongPtrA(HWND window, int index, LONG_PTR value) {
  Window* w = findWindow(window);
  if (!w || index != GCLP_HBRBACKGROUND) return 0;
  HBRUSH previous = w->windowClass->background;
  w->windowClass->background = reinterpret_cast<HBRUSH>(value);
  return reinterpret_cast<ULONG_PTR>(previous);
}

// The saver only ever invalidates whole client areas, so the update region
// is tracked per window rather than per rectangle.
BOOL WINAPI InvalidateRect(HWND window, const RECT*, BOOL erase) {
  Window* w = findWindow(window);
  if (!w) return FALSE;
  w->updatePending = true;
  if (erase) w->erasePending = true;
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT*) {
  Window* w = findWindow(window);
  if (!w) return FALSE;
  w->updatePending = w->erasePending = false;
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = findWindow(window);
  if (!w) return 0;
  WNDPROC procedure = w->windowClass->procedure;
  return procedure(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr && !findWindow(window)) return FALSE;
  state().posted.push_back(makeMessage(window, message, wParam, lParam));
  return TRUE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT, UINT) {
  if (!msg) return -1;
  for (;;) {
    // Input first, so that a burst of due timers cannot starve it.
    if (platform::Desktop* source = state().desktop) source->collectInput();
    if (takeMessage(msg, window, true)) break;
    if (!waitForWork()) return -1;
  }
  return msg->message != WM_QUIT;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT, UINT, UINT removeMessage) {
  if (!msg) return FALSE;
  return takeMessage(msg, window, (removeMessage & PM_REMOVE) != 0);
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
  if (!name || !*name) return 0;
  auto& names = state().registeredMessages;
  for (size_t i = 0; i < names.size(); ++i)
    if (equalsIgnoringCase(names[i], name)) return static_cast<UINT>(0xC000 + i);
  names.emplace_back(name);
  return static_cast<UINT>(0xC000 + names.size() - 1);
}

void WINAPI PostQuitMessage(int exitCode) {
  state().quitPosted = true;
  state().quitCode = exitCode;
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc) {
  // Only window timers without a procedure: the saver uses nothing else.
  if (!findWindow(window) || timerProc != nullptr) return 0;
  elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, 0x7FFFFFFF);
  auto& timers = state().timers;
  std::erase_if(timers, [&](const Timer& t) { return t.window == window && t.id == id; });
  timers.push_back(Timer{window, id, elapse, clockNow() + elapse});
  return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
  auto& timers = state().timers;
  const size_t removed = std::erase_if(timers, [&](const Timer& t) { return t.window == window && t.id == id; });
  std::erase_if(state().posted,
                [&](const MSG& m) { return m.hwnd == window && m.message == WM_TIMER && m.wParam == id; });
  return removed > 0;
}
