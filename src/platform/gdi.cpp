// GDI objects, device contexts, and the drawing calls that they pass to the
// window's device.

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "internal.h"

namespace platform::detail {
namespace {

enum class ObjectKind { Pen, Brush };

struct GdiObject {
  ObjectKind kind;
  COLORREF color;
  bool hollow;  // null pen or null brush
  bool stock;
};

struct DeviceContext {
  HWND window;  // null: the screen
  bool ownedByWindow;
  HGDIOBJ pen;
  HGDIOBJ brush;
  POINT origin;
  int rop2;
};

// Stock objects sit at fixed handle values below the first created object.
constexpr uintptr_t stockBase = 0x100;
constexpr int stockIndices[] = {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, WHITE_PEN, BLACK_PEN, NULL_PEN};

struct GdiState {
  std::unordered_map<uintptr_t, GdiObject> objects;
  std::unordered_map<uintptr_t, DeviceContext> contexts;
  uintptr_t nextHandle = 0x1000;
  GdiObserver* observer = nullptr;
  // The last context and object found: a figure's copies make hundreds of
  // thousands of calls a tick on one context with one pen. The maps' nodes
  // stay put until erased.
  uintptr_t lastContextHandle = 0, lastObjectHandle = 0;
  DeviceContext* lastContext = nullptr;
  GdiObject* lastObject = nullptr;

  GdiState() {
    objects[stockBase + WHITE_BRUSH] = {ObjectKind::Brush, RGB(255, 255, 255), false, true};
    objects[stockBase + BLACK_BRUSH] = {ObjectKind::Brush, RGB(0, 0, 0), false, true};
    objects[stockBase + NULL_BRUSH] = {ObjectKind::Brush, 0, true, true};
    objects[stockBase + WHITE_PEN] = {ObjectKind::Pen, RGB(255, 255, 255), false, true};
    objects[stockBase + BLACK_PEN] = {ObjectKind::Pen, RGB(0, 0, 0), false, true};
    objects[stockBase + NULL_PEN] = {ObjectKind::Pen, 0, true, true};
  }
};

GdiState& state() {
  static GdiState instance;
  return instance;
}

HGDIOBJ stockHandle(int index) { return reinterpret_cast<HGDIOBJ>(stockBase + index); }

// The entry of a handle, through the remembered last one found.
template <typename Entry>
Entry* findRemembered(std::unordered_map<uintptr_t, Entry>& entries, uintptr_t key, uintptr_t& lastKey, Entry*& last) {
  if (last && lastKey == key) return last;
  auto it = entries.find(key);
  if (it == entries.end()) return nullptr;
  lastKey = key;
  last = &it->second;
  return last;
}

const GdiObject* findObject(HGDIOBJ handle) {
  GdiState& s = state();
  return findRemembered(s.objects, reinterpret_cast<uintptr_t>(handle), s.lastObjectHandle, s.lastObject);
}

DeviceContext* findContext(HDC dc) {
  GdiState& s = state();
  return findRemembered(s.contexts, reinterpret_cast<uintptr_t>(dc), s.lastContextHandle, s.lastContext);
}

HGDIOBJ createObject(const GdiObject& object) {
  GdiState& s = state();
  const uintptr_t handle = s.nextHandle++;
  s.objects[handle] = object;
  return reinterpret_cast<HGDIOBJ>(handle);
}

// The device and drawing state behind a context, or null where drawing goes nowhere.
Device* targetDevice(const DeviceContext& context, DrawingState& drawing) {
  Device* device = windowDevice(context.window);
  if (!device) return nullptr;
  // A pen deleted while selected draws like the default black pen.
  const GdiObject* pen = findObject(context.pen);
  drawing.penColor = pen ? pen->color : RGB(0, 0, 0);
  drawing.penVisible = !pen || !pen->hollow;
  drawing.origin = context.origin;
  drawing.rop2 = context.rop2;
  return device;
}

RECT surfaceRect(const DeviceContext& context) {
  if (context.window == nullptr) return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT client{};
  GetClientRect(context.window, &client);
  return client;
}

}  // namespace

HDC createDeviceContext(HWND window, bool ownedByWindow) {
  GdiState& s = state();
  const uintptr_t handle = s.nextHandle++;
  s.contexts[handle] =
      DeviceContext{window, ownedByWindow, stockHandle(BLACK_PEN), stockHandle(WHITE_BRUSH), POINT{0, 0}, R2_COPYPEN};
  return reinterpret_cast<HDC>(handle);
}

void destroyDeviceContext(HDC dc) {
  state().contexts.erase(reinterpret_cast<uintptr_t>(dc));
  state().lastContext = nullptr;
}

void resetGdi() { state() = GdiState{}; }

}  // namespace platform::detail

using namespace platform::detail;

namespace platform {

void setGdiObserver(GdiObserver* observer) { state().observer = observer; }

size_t liveGdiObjectCount() {
  const GdiState& s = state();
  const size_t created =
      std::count_if(s.objects.begin(), s.objects.end(), [](auto& entry) { return !entry.second.stock; });
  const size_t transient =
      std::count_if(s.contexts.begin(), s.contexts.end(), [](auto& entry) { return !entry.second.ownedByWindow; });
  return created + transient;
}

}  // namespace platform

HDC WINAPI GetDC(HWND window) {
  if (window == nullptr) return createDeviceContext(nullptr, false);
  Window* w = findWindow(window);
  if (!w) return nullptr;
  return w->ownDc ? w->ownDc : createDeviceContext(window, false);
}

int WINAPI ReleaseDC(HWND, HDC dc) {
  DeviceContext* context = findContext(dc);
  if (!context) return 0;
  if (!context->ownedByWindow) destroyDeviceContext(dc);
  return 1;
}

HPEN WINAPI CreatePen(int style, int, COLORREF color) {
  color &= 0xFFFFFF;
  if (state().observer) state().observer->penCreated(color);
  return static_cast<HPEN>(createObject(GdiObject{ObjectKind::Pen, color, style == PS_NULL, false}));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(createObject(GdiObject{ObjectKind::Brush, color & 0xFFFFFF, false, false}));
}

HGDIOBJ WINAPI GetStockObject(int index) {
  return std::find(std::begin(stockIndices), std::end(stockIndices), index) != std::end(stockIndices)
             ? stockHandle(index)
             : nullptr;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = findContext(dc);
  const GdiObject* selected = findObject(object);
  if (!context || !selected) return nullptr;
  HGDIOBJ& slot = selected->kind == ObjectKind::Pen ? context->pen : context->brush;
  return std::exchange(slot, object);
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  auto& objects = state().objects;
  auto it = objects.find(reinterpret_cast<uintptr_t>(object));
  if (it == objects.end()) return FALSE;
  if (!it->second.stock) {
    objects.erase(it);
    state().lastObject = nullptr;
  }
  return TRUE;
}

BOOL WINAPI SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  DeviceContext* context = findContext(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->origin;
  context->origin = POINT{x, y};
  if (platform::Device* device = platform::windowDevice(context->window)) device->viewportOriginSet(x, y);
  return TRUE;
}

int WINAPI SetROP2(HDC dc, int mode) {
  DeviceContext* context = findContext(dc);
  if (!context) return 0;
  return std::exchange(context->rop2, mode);
}

BOOL WINAPI Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  DeviceContext* context = findContext(dc);
  if (!context) return FALSE;
  platform::DrawingState drawing;
  if (platform::Device* device = targetDevice(*context, drawing))
    device->arc(drawing, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
  return TRUE;
}

BOOL WINAPI PolyBezier(HDC dc, const POINT* points, DWORD count) {
  DeviceContext* context = findContext(dc);
  if (!context || !points || count < 4 || (count - 1) % 3 != 0) return FALSE;
  platform::DrawingState drawing;
  if (platform::Device* device = targetDevice(*context, drawing))
    device->polyBezier(drawing, points, static_cast<int>(count));
  return TRUE;
}

int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  DeviceContext* context = findContext(dc);
  const GdiObject* fill = findObject(brush);
  if (!context || !rect || !fill || fill->kind != ObjectKind::Brush) return 0;
  if (fill->hollow) return 1;
  const RECT surface = surfaceRect(*context);
  // In 64 bits: a far origin must not wrap the rectangle around.
  const auto clampTo = [](int64_t value, LONG low, LONG high) {
    return static_cast<LONG>(std::clamp<int64_t>(value, low, high));
  };
  const RECT target{clampTo(int64_t(rect->left) + context->origin.x, surface.left, surface.right),
                    clampTo(int64_t(rect->top) + context->origin.y, surface.top, surface.bottom),
                    clampTo(int64_t(rect->right) + context->origin.x, surface.left, surface.right),
                    clampTo(int64_t(rect->bottom) + context->origin.y, surface.top, surface.bottom)};
  if (target.left >= target.right || target.top >= target.bottom) return 1;
  if (platform::Device* device = platform::windowDevice(context->window)) device->fillRect(target, fill->color);
  return 1;
}

int WINAPI GetClipBox(HDC dc, LPRECT rect) {
  DeviceContext* context = findContext(dc);
  if (!context || !rect) return 0;
  const RECT surface = surfaceRect(*context);
  *rect = RECT{surface.left - context->origin.x, surface.top - context->origin.y, surface.right - context->origin.x,
               surface.bottom - context->origin.y};
  constexpr int nullRegion = 1, simpleRegion = 2;
  return surface.right > surface.left && surface.bottom > surface.top ? simpleRegion : nullRegion;
}
