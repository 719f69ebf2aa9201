// Our Win32 subset: the behaviour the saver relies on.

#include "platform/ini_store.h"
#include "platform/win32.h"
#include "test_support.h"

namespace {

std::vector<UINT> received;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}

class PlatformTest : public SaverTest {
 protected:
  HWND makeWindow(DWORD style = WS_POPUP | WS_VISIBLE, UINT classStyle = 0) {
    received.clear();
    recordWindows();
    WNDCLASSA windowClass{};
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = "Test";
    windowClass.hbrBackground = CreateSolidBrush(RGB(1, 2, 3));
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "test", "title", style, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
  }
};

TEST_F(PlatformTest, CreationSendsCreateAndSizeThenQueuesPaintBeforeTimers) {
  platform::useVirtualClock();
  HWND window = makeWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(received, (std::vector<UINT>{WM_CREATE, WM_SIZE}));
  SetTimer(window, 7, 20, nullptr);
  PostMessageA(window, WM_APP, 1, 2);
  MSG msg;
  std::vector<UINT> order;
  for (int i = 0; i < 4 && GetMessageA(&msg, nullptr, 0, 0) > 0; ++i) {
    order.push_back(msg.message);
    DispatchMessageA(&msg);
  }
  // The default paint handling validates, so the paint comes once; timers follow.
  EXPECT_EQ(order, (std::vector<UINT>{WM_APP, WM_PAINT, WM_TIMER, WM_TIMER}));
}

TEST_F(PlatformTest, VirtualTimerTicksAtItsPeriodAndNeverBelowTheMinimum) {
  platform::useVirtualClock();
  HWND window = makeWindow(WS_POPUP);
  SetTimer(window, 1, 5, nullptr);  // Win32 raises periods below 10 ms to 10
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  const DWORD first = GetTickCount();
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(GetTickCount() - first, 10u);
  KillTimer(window, 1);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);  // nothing could ever arrive
}

TEST_F(PlatformTest, ALateTimerOnTheRealClockTicksOnceNotInABurst) {
  HWND window = makeWindow(WS_POPUP);
  SetTimer(window, 1, 20, nullptr);
  Sleep(130);  // six periods late
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE));
  const DWORD late = GetTickCount();
  ASSERT_TRUE(GetMessageA(&msg, window, WM_TIMER, WM_TIMER));
  EXPECT_GE(GetTickCount() - late, 10u);  // the next one a period on, give or take the clock's grain
  KillTimer(window, 1);
}

TEST_F(PlatformTest, WindowSizesAreHeldTo32767) {
  HWND window = makeWindow(WS_POPUP);
  RECT client{};
  for (const int size : {32767, 32768, 40000, 1 << 30}) {
    SetWindowPos(window, nullptr, 0, 0, size, size + 1, SWP_NOZORDER);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 32767) << size;
    EXPECT_EQ(client.bottom, 32767) << size;
  }
  SetWindowPos(window, nullptr, 0, 0, -5, 7, SWP_NOZORDER);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 0);
  EXPECT_EQ(client.bottom, 7);
}

TEST_F(PlatformTest, DefaultHandlingErasesWithClassBrushAndDestroysOnClose) {
  HWND window = makeWindow();
  takeTrace();
  HDC dc = GetDC(window);
  SetViewportOrgEx(dc, 30, 20, nullptr);  // the erase still covers the whole client area
  EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  ReleaseDC(window, dc);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"org 30 20", "erase 030201"}));

  PostMessageA(window, WM_CLOSE, 0, 0);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  DispatchMessageA(&msg);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(received.back(), static_cast<UINT>(WM_DESTROY));
}

TEST_F(PlatformTest, PaintErasesOnlyWhileAnEraseIsPending) {
  HWND window = makeWindow();
  takeTrace();
  ValidateRect(window, nullptr);
  InvalidateRect(window, nullptr, FALSE);
  SendMessageA(window, WM_PAINT, 0, 0);
  EXPECT_TRUE(takeTrace().empty());
  InvalidateRect(window, nullptr, TRUE);
  SendMessageA(window, WM_PAINT, 0, 0);
  EXPECT_EQ(takeTrace().size(), 1u);
}

TEST_F(PlatformTest, SelectObjectReturnsWhatItReplacedAndDeletedObjectsAreFreed) {
  HWND window = makeWindow(WS_POPUP, CS_OWNDC);
  const size_t baseline = platform::liveGdiObjectCount();
  for (int i = 0; i < 1000; ++i) {
    HDC dc = GetDC(window);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(i, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, oldPen), pen);
    SelectObject(dc, oldBrush);
    ReleaseDC(window, dc);
    DeleteObject(pen);
  }
  EXPECT_EQ(platform::liveGdiObjectCount(), baseline);
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));  // stock objects survive deletion
  EXPECT_NE(SelectObject(GetDC(window), GetStockObject(BLACK_BRUSH)), nullptr);
}

TEST_F(PlatformTest, DrawingCallsReachTheDeviceWithPenAndOrigin) {
  HDC dc = captureDc();
  SetViewportOrgEx(dc, 5, 6, nullptr);
  Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8);
  const POINT points[7] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 9}, {9, 9}, {9, 9}};
  EXPECT_TRUE(PolyBezier(dc, points, 4));
  for (const int count : {3, 5, 6}) EXPECT_FALSE(PolyBezier(dc, points, count)) << count;  // not 3n + 1
  EXPECT_TRUE(PolyBezier(dc, points, 7));  // a chain: each curve starts where the last ended
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"org 5 6", "arc 1 2 3 4 5 6 7 8", "bez 1 2 3 4 5 6 7 8",
                                                   "bez 1 2 3 4 5 6 7 8", "bez 7 8 9 9 9 9 9 9"}));
}

// What a device is told: the pen's visibility, and the fills.
struct StateDevice : platform::Device {
  void resize(int, int) override {}
  void fillRect(const RECT& rect, COLORREF) override { fills.push_back(rect); }
  void viewportOriginSet(int, int) override {}
  void arc(const platform::DrawingState& state, int, int, int, int, int, int, int, int) override {
    penVisible.push_back(state.penVisible);
  }
  void polyBezier(const platform::DrawingState& state, const POINT*, int) override {
    penVisible.push_back(state.penVisible);
  }
  std::vector<bool> penVisible;
  std::vector<RECT> fills;
};

TEST_F(PlatformTest, NullPensDrawNothingAndEmptyFillsReachNoDevice) {
  StateDevice* device = nullptr;
  platform::setDeviceFactory([&device](HWND) {
    auto made = std::make_unique<StateDevice>();
    device = made.get();
    return made;
  });
  HWND window = plainWindow(50, 40);
  ASSERT_NE(device, nullptr);
  HDC dc = GetDC(window);
  HPEN hollow = CreatePen(PS_NULL, 1, RGB(9, 9, 9)), solid = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
  SelectObject(dc, hollow);
  Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8);
  SelectObject(dc, solid);
  Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8);
  EXPECT_EQ(device->penVisible, (std::vector<bool>{false, true}));
  HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
  for (const RECT& empty : {RECT{5, 5, 5, 9}, RECT{5, 5, 9, 5}, RECT{60, 0, 70, 10}, RECT{9, 9, 5, 5}})
    FillRect(dc, &empty, brush);
  EXPECT_TRUE(device->fills.empty());
  const RECT one{0, 0, 1, 1};
  FillRect(dc, &one, brush);
  EXPECT_EQ(device->fills.size(), 1u);
  ReleaseDC(window, dc);
  DeleteObject(hollow);
  DeleteObject(solid);
  DeleteObject(brush);
}

TEST_F(PlatformTest, HiddenWindowsGetNoPaintAndTimersComeNoEarlier) {
  platform::useVirtualClock();
  HWND window = makeWindow(WS_POPUP), shown = makeWindow(WS_POPUP | WS_VISIBLE);
  InvalidateRect(window, nullptr, TRUE);
  InvalidateRect(shown, nullptr, TRUE);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessageA(&msg, shown, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  SetTimer(window, 3, 10, nullptr);
  Sleep(9);
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE));  // due in a millisecond
  Sleep(1);
  EXPECT_TRUE(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(PlatformTest, AFreedLibraryHasNoEntries) {
  platform::provideLibrary("EXTRA.DLL", {{"Entry", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&MulDiv))}});
  HMODULE module = LoadLibraryA("EXTRA.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(GetProcAddress(module, "Entry"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetProcAddress(module, "Entry"), nullptr);
  EXPECT_FALSE(FreeLibrary(module));
}

TEST(PlatformKernel, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(1080, 8660, 10000), 935);
  EXPECT_EQ(MulDiv(1, 8660, 10000), 1);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, 1, -2), 3);
  EXPECT_EQ(MulDiv(1921, 3, 2), 2882);
  EXPECT_EQ(MulDiv(7, 3, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 4, 1), -1);
}

TEST(PlatformKernel, ProfileNumbersReadHexDigitsAboveNine) {
  EXPECT_EQ(platform::parseProfileInt("0xff"), 255u);
  EXPECT_EQ(platform::parseProfileInt("0x1a2g"), 418u);
}

TEST(PlatformKernel, LoadStringCutsToTheBufferAndTerminates) {
  char buffer[8];
  EXPECT_EQ(LoadStringA(nullptr, 1001, buffer, sizeof buffer), 7);
  EXPECT_STREQ(buffer, "control");
  char section[40];
  LoadStringA(nullptr, 1007, section, sizeof section);
  EXPECT_STREQ(section, "ScreenSaver.Lumarel");
  EXPECT_EQ(LoadStringA(nullptr, 9999, section, sizeof section), 0);
}

}  // namespace
