#include "saver_window.h"

#include <cstdlib>

#include "engine/window_procedure.h"
#include "host_state.h"
#include "password.h"
#include "resource_ids.h"

namespace {

constexpr int mouseMoveThreshold = 4;

uint8_t currentAcLineStatus() {
  SYSTEM_POWER_STATUS status;
  return GetSystemPowerStatus(&status) ? status.ACLineStatus : acLineUnknown;
}

void hideCursor() { SetCursor(nullptr); }

void requestClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

bool powerBroadcastCloses(HostState& host, WPARAM event, LPARAM flags) {
  switch (event) {
    case PBT_APMQUERYSUSPEND:
    case PBT_APMQUERYSTANDBY:
    case PBT_APMQUERYSUSPENDFAILED:
    case PBT_APMQUERYSTANDBYFAILED:
    case PBT_APMSUSPEND:
    case PBT_APMSTANDBY:
      return true;
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
    case PBT_APMRESUMEAUTOMATIC:
      // Resumes close the saver, except one from a failed suspend.
      return (flags & PBTF_APMRESUMEFROMFAILURE) == 0;
    case PBT_APMPOWERSTATUSCHANGE: {
      // Plugging in or pulling the mains closes; other status changes do not.
      const uint8_t status = currentAcLineStatus();
      const bool changed = status != host.acLineStatus;
      host.acLineStatus = status;
      return changed;
    }
    default:
      return true;
  }
}

bool mouseMovedEnough(HostState& host) {
  POINT cursor;
  GetCursorPos(&cursor);
  const int64_t distance = std::llabs(static_cast<int64_t>(cursor.x) - host.lastCursor.x) +
                           std::llabs(static_cast<int64_t>(cursor.y) - host.lastCursor.y);
  if (distance <= mouseMoveThreshold) return false;  // small moves add up
  host.lastCursor = cursor;
  return true;
}

// Whether an input or power message asks the saver to close.
bool isCloseRequest(HostState& host, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return true;
    case WM_MOUSEMOVE:
      return mouseMovedEnough(host);
    case WM_ACTIVATEAPP:
      return wParam == 0;
    case WM_POWER:
      return wParam == PWR_CRITICALRESUME;
    case WM_POWERBROADCAST:
      return powerBroadcastCloses(host, wParam, lParam);
    default:
      return false;
  }
}

bool isSwallowedSystemCommand(WPARAM command) {
  return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

LRESULT finalStep(const HostState& host, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (host.autoPlayMessage != 0 && message == host.autoPlayMessage) {
    requestClose(window);
    // Behind a protected saver AutoPlay is cancelled; otherwise it proceeds.
    return host.verifyPassword != nullptr ? 1 : 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void detachInputMethod(HostState& host, HWND window) {
  HMODULE imm = GetModuleHandleA("IMM32.DLL");
  if (!imm) return;
  auto associate =
      reinterpret_cast<ImmAssociateContextEntry>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")));
  if (!associate) return;
  host.imeModule = imm;
  host.imeAssociate = associate;
  host.savedImeContext = associate(window, nullptr);
}

void restoreInputMethod(const HostState& host, HWND window) {
  if (host.imeModule && host.imeAssociate && host.savedImeContext) host.imeAssociate(window, host.savedImeContext);
}

}  // namespace

LRESULT CALLBACK SaverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostState& host = hostState;
  if (host.isPreview || host.closeApproved) return finalStep(host, window, message, wParam, lParam);
  if (message == WM_CLOSE && host.win9xFamily && !ApproveClose(host, window)) {
    GetCursorPos(&host.lastCursor);  // movement is measured afresh
    return 0;
  }
  if (message == VerifyPasswordRequest && host.win9xFamily)
    return host.verifyPassword ? host.verifyPassword(window) : 1;
  if (host.verifying) return finalStep(host, window, message, wParam, lParam);
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam) hideCursor();
      break;
    case WM_SETCURSOR:
      hideCursor();
      return 1;
    default:
      if (isCloseRequest(host, message, wParam, lParam)) requestClose(window);
      break;
  }
  return finalStep(host, window, message, wParam, lParam);
}

LRESULT CALLBACK SaverClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostState& host = hostState;
  switch (message) {
    case WM_CREATE:
      detachInputMethod(host, window);
      GetCursorPos(&host.lastCursor);
      if (!host.isPreview) hideCursor();
      break;
    case WM_DESTROY:
      restoreInputMethod(host, window);
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_PAINT:
      if (host.closeApproved) return DefWindowProcA(window, message, wParam, lParam);
      if (!host.isPreview) hideCursor();
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (!host.isPreview) break;
      if (HWND parent = GetParent(window); parent && IsWindow(parent))
        PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
      return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (host.closeApproved) return DefWindowProcA(window, message, wParam, lParam);
      break;
    case WM_TIMER:
      if (host.closeApproved) return 0;
      Sleep(0);
      break;
    case WM_SYSCOMMAND:
      if (!host.isPreview && isSwallowedSystemCommand(wParam)) return 0;
      break;
    default:
      break;
  }
  engineWindowProcedure(window, message, wParam, lParam);
  return SaverDefaultHandler(window, message, wParam, lParam);
}

ATOM RegisterSaverClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  windowClass.lpfnWndProc = SaverClassProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LUMAREL));
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = saverClassName;
  return RegisterClassA(&windowClass);
}

HWND CreateSaverWindow(HostState& host, HWND parent, const RECT& area) {
  const bool preview = parent != nullptr;
  const DWORD exStyle = preview ? 0 : WS_EX_TOPMOST;
  const DWORD style =
      preview ? WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN : WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  host.saverWindow =
      CreateWindowExA(exStyle, saverClassName, preview ? previewTitle : fullScreenTitle, style, area.left, area.top,
                      area.right - area.left, area.bottom - area.top, parent, nullptr, host.instance, nullptr);
  return host.saverWindow;
}

namespace {

// The whole virtual screen, or the screen's clip box where the system
// reports no virtual screen.
RECT fullScreenArea() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width != 0 && height != 0) return RECT{left, top, left + width, top + height};
  RECT clip{};
  HDC screen = GetDC(nullptr);
  GetClipBox(screen, &clip);
  ReleaseDC(nullptr, screen);
  return clip;
}

}  // namespace

int32_t RunSaverWindow(HostState& host, HWND parent) {
  RECT area{};
  if (parent) {
    RECT client{};
    GetClientRect(parent, &client);
    area = RECT{0, 0, client.right, client.bottom};
    host.isPreview = true;
  } else {
    area = fullScreenArea();
    HWND running = FindWindowA(saverClassName, fullScreenTitle);
    if (running && IsWindow(running)) {
      SetForegroundWindow(running);
      return 0;
    }
    host.acLineStatus = currentAcLineStatus();
    LoadPasswordProvider(host);
  }
  host.autoPlayMessage = host.win9xFamily ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;
  int32_t result = 0;
  if (RegisterSaverClass(host.instance) && CreateSaverWindow(host, parent, area)) {
    if (!parent) SetForegroundWindow(host.saverWindow);
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (got == 0) result = static_cast<int32_t>(msg.wParam);
  }
  UnloadPasswordProvider(host);
  return result;
}
