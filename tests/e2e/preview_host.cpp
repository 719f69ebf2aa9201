// Stands in for the display-settings page: makes a window, starts the saver
// as its preview, checks the preview child, presses a key in it, then
// destroys the window and waits for the saver to end.
//   preview_host SAVER.scr
// Exit code 0 when all went as it should; otherwise the step that failed.

#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void pumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 10;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = hostProcedure;
  windowClass.lpszClassName = "PreviewHost";
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassA(&windowClass);
  HWND host = CreateWindowExA(0, "PreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 50,
                              50, 320, 260, nullptr, nullptr, nullptr, nullptr);
  if (!host) return 11;
  char command[1024];
  std::snprintf(command, sizeof command, "\"%s\" /p %lu", argv[1],
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(host)));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 12;

  HWND preview = nullptr;
  for (int i = 0; i < 100 && !preview; ++i) {
    pumpFor(100);
    preview = FindWindowExA(host, nullptr, "WindowsScreenSaverClass", "Preview");
  }
  if (!preview) return 13;
  RECT client;
  GetClientRect(preview, &client);
  RECT hostClient;
  GetClientRect(host, &hostClient);
  if (client.right != hostClient.right || client.bottom != hostClient.bottom) return 14;
  PostMessageA(preview, WM_KEYDOWN, VK_SPACE, 0);
  pumpFor(1500);
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_TIMEOUT) return 15;  // a key must not end a preview
  std::printf("preview running %p\n", static_cast<void*>(preview));
  std::fflush(stdout);
  pumpFor(1500);  // let it draw; the test takes a screenshot now
  DestroyWindow(host);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) return 16;
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  return code == 0 ? 0 : 17;
}
