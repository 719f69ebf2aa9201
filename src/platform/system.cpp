// Clock, calendar time, cursor, screen metrics, modules, the string table and
// the power status.

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "internal.h"
#include "resource_ids.h"

namespace platform::detail {
namespace {

// The virtual clock starts away from zero so that tick arithmetic is not
// accidentally tested only near zero.
constexpr uint64_t virtualClockStart = 1'000'000;

struct SystemState {
  bool virtualClock = false;
  uint64_t virtualNow = virtualClockStart;
  std::optional<uint64_t> calendarTime;
  POINT cursor{0, 0};
  bool cursorHidden = false;
  int screenWidth = 1920;
  int screenHeight = 1080;
};

SystemState& state() {
  static SystemState instance;
  return instance;
}

uint64_t monotonicMilliseconds() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

struct StringEntry {
  UINT id;
  const char* text;
};

constexpr StringEntry stringTable[] = {
#define STRING_ENTRY(id, text) {id, text},
#include "strings.def"
#undef STRING_ENTRY
};

// The mains status as the kernel reports it: 1 on line, 0 off line, 255
// where the machine has no mains supply that it knows of.
BYTE readMainsStatus() {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/class/power_supply", error)) {
    std::ifstream type(entry.path() / "type");
    std::string kind;
    if (!(type >> kind) || kind != "Mains") continue;
    std::ifstream online(entry.path() / "online");
    int value = 0;
    if (online >> value) return value ? 1 : 0;
  }
  return 255;
}

}  // namespace

uint64_t clockNow() { return state().virtualClock ? state().virtualNow : monotonicMilliseconds(); }

void advanceVirtualClock(uint64_t to) {
  if (to > state().virtualNow) state().virtualNow = to;
}

void resetSystem() { state() = SystemState{}; }

}  // namespace platform::detail

using namespace platform::detail;

namespace platform {

void useVirtualClock() {
  state().virtualClock = true;
  state().virtualNow = virtualClockStart;
}

bool usingVirtualClock() { return state().virtualClock; }

void setCalendarTime(uint64_t unixSeconds) { state().calendarTime = unixSeconds; }

void setScreenSize(int width, int height) {
  state().screenWidth = width;
  state().screenHeight = height;
}

void setCursorPosition(POINT position) { state().cursor = position; }

bool cursorHidden() { return state().cursorHidden; }

void reset() {
  resetWindowing();
  resetGdi();
  resetSystem();
}

}  // namespace platform

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(clockNow()); }

void WINAPI Sleep(DWORD milliseconds) {
  if (platform::usingVirtualClock()) {
    advanceVirtualClock(clockNow() + milliseconds);
  } else if (milliseconds == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

void WINAPI GetSystemTimeAsFileTime(LPFILETIME time) {
  if (!time) return;
  using namespace std::chrono;
  const uint64_t unixSeconds = state().calendarTime.value_or(
      static_cast<uint64_t>(duration_cast<seconds>(system_clock::now().time_since_epoch()).count()));
  // FILETIME counts 100-nanosecond intervals since 1601.
  const uint64_t intervals = (unixSeconds + 11644473600ULL) * 10000000ULL;
  time->dwLowDateTime = static_cast<DWORD>(intervals);
  time->dwHighDateTime = static_cast<DWORD>(intervals >> 32);
}

int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const int64_t magnitude = ((product < 0 ? -product : product) + std::abs(static_cast<int64_t>(denominator)) / 2) /
                            std::abs(static_cast<int64_t>(denominator));
  const int64_t result = (product < 0) != (denominator < 0) ? -magnitude : magnitude;
  return result > INT32_MAX || result < INT32_MIN ? -1 : static_cast<int>(result);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  // Only the program itself is loaded; no system library is.
  return moduleName == nullptr ? reinterpret_cast<HMODULE>(0x400000) : nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR) { return nullptr; }

int WINAPI LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int bufferSize) {
  if (!buffer || bufferSize <= 0) return 0;
  for (const StringEntry& entry : stringTable) {
    if (entry.id != id) continue;
    const size_t length = std::min(std::strlen(entry.text), static_cast<size_t>(bufferSize - 1));
    std::memcpy(buffer, entry.text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
  }
  buffer[0] = '\0';
  return 0;
}

BOOL WINAPI GetSystemPowerStatus(LPSYSTEM_POWER_STATUS status) {
  if (!status) return FALSE;
  *status = SYSTEM_POWER_STATUS{};
  status->ACLineStatus = readMainsStatus();
  status->BatteryFlag = 255;
  status->BatteryLifePercent = 255;
  status->BatteryLifeTime = status->BatteryFullLifeTime = 0xFFFFFFFF;
  return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = state().cursor;
  return TRUE;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  // The saver only ever hides the cursor; a front end shows the result.
  state().cursorHidden = cursor == nullptr;
  return nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }

int WINAPI GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return state().screenWidth;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return state().screenHeight;
    default:
      return 0;
  }
}
