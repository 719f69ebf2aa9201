// Our Win32 subset: the behaviour the saver relies on.

#include <array>

#include "platform/win32.h"
#include "test_support.h"

namespace {

std::vector<UINT> received;
CREATESTRUCTA created;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back(message);
  if (message == WM_CREATE) created = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
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
  EXPECT_EQ(std::vector<int>({created.cx, created.cy}), std::vector<int>({100, 50}));
  EXPECT_STREQ(created.lpszName, "title");
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
  SetClassLongPtrA(window, GCLP_HBRBACKGROUND, 0);
  EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 0);  // nothing erased: the window must

  PostMessageA(window, WM_CLOSE, 0, 0);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  DispatchMessageA(&msg);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(received.back(), static_cast<UINT>(WM_DESTROY));
}

// Invalidations add up until a paint: one that asks for the erase is not
// undone by a later one that does not, and the paint clears both.
TEST_F(PlatformTest, PaintErasesOnlyWhileAnEraseIsPending) {
  HWND window = makeWindow();
  takeTrace();
  const auto paintErases = [&] {
    SendMessageA(window, WM_PAINT, 0, 0);
    return takeTrace().size() == 1;
  };
  const auto paintQueued = [&] {
    MSG msg;
    return PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_NOREMOVE) != FALSE;
  };
  ValidateRect(window, nullptr);
  EXPECT_FALSE(paintQueued());
  InvalidateRect(window, nullptr, FALSE);
  EXPECT_TRUE(paintQueued());
  EXPECT_FALSE(paintErases());
  EXPECT_FALSE(paintQueued());
  InvalidateRect(window, nullptr, TRUE);
  InvalidateRect(window, nullptr, FALSE);
  EXPECT_TRUE(paintErases());
  EXPECT_FALSE(paintErases());
  InvalidateRect(window, nullptr, FALSE);
  InvalidateRect(window, nullptr, TRUE);
  EXPECT_TRUE(paintErases());
  InvalidateRect(window, nullptr, TRUE);
  ValidateRect(window, nullptr);
  EXPECT_FALSE(paintQueued());
  EXPECT_FALSE(paintErases());
  EXPECT_FALSE(InvalidateRect(reinterpret_cast<HWND>(0x5), nullptr, TRUE));
}

TEST_F(PlatformTest, RegisteredMessagesShareAnIdPerNameInAnyCase) {
  const UINT first = RegisterWindowMessageA("LumarelFirst"), second = RegisterWindowMessageA("LumarelSecond");
  EXPECT_GE(first, 0xC000u);
  EXPECT_LE(second, 0xFFFFu);
  EXPECT_NE(first, second);
  EXPECT_EQ(RegisterWindowMessageA("LUMARELfirst"), first);
  EXPECT_EQ(RegisterWindowMessageA("LumarelSecond"), second);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
  EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
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

// What a device is told: the pen's visibility and colour, and the fills.
struct StateDevice : platform::Device {
  void resize(int, int) override {}
  void fillRect(const RECT& r, COLORREF) override { fills.push_back({r.left, r.top, r.right, r.bottom}); }
  void viewportOriginSet(int, int) override {}
  void arc(const platform::DrawingState& state, int, int, int, int, int, int, int, int) override {
    penVisible.push_back(state.penVisible);
    penColors.push_back(state.penColor);
  }
  void polyBezier(const platform::DrawingState& state, const POINT*, int) override {
    penVisible.push_back(state.penVisible);
    penColors.push_back(state.penColor);
  }
  std::vector<bool> penVisible;
  std::vector<COLORREF> penColors;
  std::vector<std::array<LONG, 4>> fills;
};

class DeviceTest : public PlatformTest {
 protected:
  // A plain window whose device records what it is told.
  HWND stateWindow(int width, int height) {
    platform::setDeviceFactory([this](HWND) {
      auto made = std::make_unique<StateDevice>();
      device = made.get();
      return made;
    });
    HWND window = plainWindow(width, height);
    EXPECT_NE(device, nullptr);
    return window;
  }
  StateDevice* device = nullptr;
};

TEST_F(DeviceTest, NullPensDrawNothingAndEmptyFillsReachNoDevice) {
  HWND window = stateWindow(50, 40);
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

// The saver puts the origin at the centre, which differs in x and y on all
// but square screens; fills and the clip box are in logical coordinates.
TEST_F(DeviceTest, FillsAndTheClipBoxFollowAnOriginThatDiffersInXAndY) {
  for (const SIZE size : {SIZE{60, 90}, SIZE{90, 60}}) {
    HWND window = stateWindow(size.cx, size.cy);
    HDC dc = GetDC(window);
    SetViewportOrgEx(dc, size.cx / 2, size.cy / 2, nullptr);
    RECT clip{};
    EXPECT_EQ(GetClipBox(dc, &clip), 2);  // SIMPLEREGION
    EXPECT_EQ((std::array<LONG, 4>{clip.left, clip.top, clip.right, clip.bottom}),
              (std::array<LONG, 4>{-size.cx / 2, -size.cy / 2, size.cx / 2, size.cy / 2}));
    HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
    FillRect(dc, &clip, brush);
    const RECT corner{-100, -100, 1, 2}, past{0, 0, 500, 500};
    FillRect(dc, &corner, brush);
    FillRect(dc, &past, brush);
    const LONG w = size.cx, h = size.cy;
    EXPECT_EQ(device->fills,
              (std::vector<std::array<LONG, 4>>{{0, 0, w, h}, {0, 0, w / 2 + 1, h / 2 + 2}, {w / 2, h / 2, w, h}}));
    ReleaseDC(window, dc);
    DeleteObject(brush);
    DestroyWindow(window);
  }
  platform::setScreenSize(300, 200);
  HDC screen = GetDC(nullptr);
  RECT clip{};
  GetClipBox(screen, &clip);
  EXPECT_EQ((std::array<LONG, 4>{clip.left, clip.top, clip.right, clip.bottom}), (std::array<LONG, 4>{0, 0, 300, 200}));
  ReleaseDC(nullptr, screen);
}

TEST_F(DeviceTest, ObjectsDeletedWhileSelectedOrRememberedAreNotUsed) {
  HWND window = stateWindow(50, 40);
  HDC dc = GetDC(window);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0)), hollow = CreatePen(PS_NULL, 1, RGB(0, 255, 0));
  SelectObject(dc, red);
  Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8);  // the context remembers the red pen
  DeleteObject(red);
  Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8);  // a deleted pen draws as the black pen
  SelectObject(dc, hollow);
  DeleteObject(hollow);
  Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8);
  EXPECT_EQ(device->penColors, (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0)}));
  EXPECT_EQ(device->penVisible, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(SelectObject(dc, red), nullptr);
  EXPECT_FALSE(DeleteObject(red));

  HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
  const RECT all{0, 0, 50, 40};
  EXPECT_EQ(FillRect(dc, &all, brush), 1);
  DeleteObject(brush);
  EXPECT_EQ(FillRect(dc, &all, brush), 0);
  EXPECT_EQ(device->fills.size(), 1u);

  // A released context is gone, even though it was the last one used.
  ReleaseDC(window, dc);
  EXPECT_FALSE(Arc(dc, 1, 2, 3, 4, 5, 6, 7, 8));
  EXPECT_EQ(device->penColors.size(), 3u);
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
