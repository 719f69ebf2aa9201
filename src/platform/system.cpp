// Clock, calendar time, cursor, screen metrics, modules, the string table and
// the power status.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "internal.h"
#include "resource_ids.h"

namespace platform::detail {
namespace {

// The virtual clock starts away from zero so that tick arithmetic is not
// accidentally tested only near zero.
constexpr uint64_t virtualClockStart = 1'000'000;

struct Library {
  std::string name;
  std::vector<std::pair<std::string, FARPROC>> entries;
  int loads = 0;
};

struct SystemState {
  std::string commandLine = "lumarel";
  PlatformFamily family = PlatformFamily::WindowsNT;
  std::vector<std::tuple<std::string, std::string, uint32_t>> registry;  // key, name, value
  std::vector<Library> libraries;
  std::vector<std::string> openKeys;  // by handle - 1; empty once closed
  bool screenSaverRunning = false;
  LPTOP_LEVEL_EXCEPTION_FILTER faultFilter = nullptr;
  bool virtualClock = false;
  uint64_t virtualNow = virtualClockStart;
  std::optional<uint64_t> calendarTime;
  POINT cursor{0, 0};
  bool cursorHidden = false;
  int screenWidth = 1920;
  int screenHeight = 1080;
  DWORD lastError = ERROR_SUCCESS;
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

uint64_t timerClock() { return clockNow(); }

void setCalendarTime(uint64_t unixSeconds) { state().calendarTime = unixSeconds; }

void setScreenSize(int width, int height) {
  state().screenWidth = width;
  state().screenHeight = height;
}

void setCursorPosition(POINT position) { state().cursor = position; }

bool cursorHidden() { return state().cursorHidden; }

void setCommandLine(const std::string& commandLine) { state().commandLine = commandLine; }

void setPlatformFamily(PlatformFamily family) { state().family = family; }

void setRegistryValue(const std::string& key, const std::string& name, uint32_t value) {
  state().registry.emplace_back(key, name, value);
}

void provideLibrary(const std::string& name, const std::vector<std::pair<std::string, FARPROC>>& entries) {
  state().libraries.push_back(Library{name, entries, 0});
}

int loadedLibraryCount() {
  int loaded = 0;
  for (const Library& library : state().libraries) loaded += library.loads;
  return loaded;
}

bool screenSaverRunning() { return state().screenSaverRunning; }

void reset() {
  resetWindowing();
  resetDialogs();
  resetGdi();
  resetSystem();
  resetProfile();
}

}  // namespace platform

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(clockNow()); }

DWORD WINAPI GetLastError() { return state().lastError; }

void WINAPI SetLastError(DWORD error) { state().lastError = error; }

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*) {
  static const std::pair<DWORD, const char*> texts[] = {
      {ERROR_SUCCESS, "The operation completed successfully."},
      {ERROR_FILE_NOT_FOUND, "The file was not found."},
      {ERROR_PATH_NOT_FOUND, "The folder was not found."},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory."},
      {ERROR_INVALID_DATA, "The data is invalid."},
      {ERROR_WRITE_FAULT, "The file could not be written."},
      {ERROR_GEN_FAILURE, "The device is not working."},
      {ERROR_SHARING_VIOLATION, "The file is in use by another program."},
      {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
      {ERROR_DISK_FULL, "The disk is full."},
      {ERROR_DISK_QUOTA_EXCEEDED, "The disk quota is exceeded."},
      {ERROR_FILE_TOO_LARGE, "The file is too large."},
      {ERROR_BAD_FILE_TYPE, "The path is not a regular file."},
      {ERROR_DIRECTORY_NOT_SUPPORTED, "The path is a folder, not a file."},
      {ERROR_CANT_RESOLVE_FILENAME, "The path's symbolic links form a loop."},
  };
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0) return 0;
  for (const auto& [id, text] : texts) {
    if (id != messageId) continue;
    const size_t length = std::min<size_t>(std::strlen(text), size - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
  }
  return 0;
}

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

namespace {

// Libraries are known by name only while a test or front end provides them.
Library* findLibrary(LPCSTR name) {
  if (!name) return nullptr;
  for (Library& library : state().libraries)
    if (equalsIgnoringCase(library.name, name)) return &library;
  return nullptr;
}

HMODULE libraryHandle(const Library& library) {
  return reinterpret_cast<HMODULE>(0x10000000 + 0x1000 * (&library - state().libraries.data()));
}

Library* libraryOf(HMODULE module) {
  for (Library& library : state().libraries)
    if (libraryHandle(library) == module && library.loads > 0) return &library;
  return nullptr;
}

}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) return reinterpret_cast<HMODULE>(0x400000);  // the program itself
  Library* library = findLibrary(moduleName);
  return library && library->loads > 0 ? libraryHandle(*library) : nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
  Library* library = findLibrary(name);
  if (!library) return nullptr;
  ++library->loads;
  return libraryHandle(*library);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  Library* library = libraryOf(module);
  if (!library) return FALSE;
  --library->loads;
  return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  Library* library = libraryOf(module);
  if (!library || !name) return nullptr;
  for (const auto& [entryName, entry] : library->entries)
    if (entryName == name) return entry;
  return nullptr;
}

LPSTR WINAPI GetCommandLineA() { return state().commandLine.data(); }

LPSTR WINAPI CharNextA(LPCSTR text) {
  // The program's code page is single-byte here.
  return const_cast<LPSTR>(text && *text ? text + 1 : text);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA version) {
  if (!version || version->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
  const bool nineX = state().family == platform::PlatformFamily::Windows9x;
  version->dwMajorVersion = nineX ? 4 : 5;
  version->dwMinorVersion = nineX ? 10 : 1;
  version->dwBuildNumber = nineX ? 2222 : 2600;
  version->dwPlatformId = nineX ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
  version->szCSDVersion[0] = '\0';
  return TRUE;
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT) {
  if (action != SPI_SCREENSAVERRUNNING) return FALSE;
  if (value) *static_cast<UINT*>(value) = state().screenSaverRunning;
  state().screenSaverRunning = param != 0;
  return TRUE;
}

void WINAPI ExitProcess(UINT exitCode) {
  std::fflush(nullptr);
  std::_Exit(static_cast<int>(exitCode));
}

namespace {

void onFault(int) {
  // The closest a process gets here to a structured processor fault.
  if (LPTOP_LEVEL_EXCEPTION_FILTER filter = state().faultFilter) {
    EXCEPTION_POINTERS pointers{nullptr, nullptr};
    filter(&pointers);
  }
  std::_Exit(255);
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER WINAPI SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) std::signal(fault, filter ? onFault : SIG_DFL);
  return std::exchange(state().faultFilter, filter);
}

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  constexpr LONG fileNotFound = 2;
  if (key != HKEY_CURRENT_USER || !subKey || !result) return fileNotFound;
  for (const auto& [path, name, value] : state().registry) {
    if (!equalsIgnoringCase(path, subKey)) continue;
    state().openKeys.push_back(path);
    *result = reinterpret_cast<HKEY>(state().openKeys.size());
    return ERROR_SUCCESS;
  }
  return fileNotFound;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  constexpr LONG fileNotFound = 2, moreData = 234, invalidHandle = 6;
  const size_t index = reinterpret_cast<size_t>(key);
  if (index == 0 || index > state().openKeys.size() || state().openKeys[index - 1].empty()) return invalidHandle;
  for (const auto& [path, valueName, value] : state().registry) {
    if (!equalsIgnoringCase(path, state().openKeys[index - 1]) || !name || !equalsIgnoringCase(valueName, name))
      continue;
    if (type) *type = 4;  // REG_DWORD
    if (!size || *size < sizeof(uint32_t)) return moreData;
    if (data) std::memcpy(data, &value, sizeof(uint32_t));
    *size = sizeof(uint32_t);
    return ERROR_SUCCESS;
  }
  return fileNotFound;
}

LONG WINAPI RegCloseKey(HKEY key) {
  const size_t index = reinterpret_cast<size_t>(key);
  if (index == 0 || index > state().openKeys.size()) return 6;
  state().openKeys[index - 1].clear();
  return ERROR_SUCCESS;
}
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
