// Prints what a Windows program says about its release, one "name: value" a
// line: the numbers and strings of its version resource, and the texts of
// its About box, made from the program's own template, when it has one.
//   version_info PROGRAM.scr
// Exit code 0 when all of it could be read; otherwise the step that failed.

#include <windows.h>

#include <cstdio>
#include <vector>

#include "resource_ids.h"

namespace {

INT_PTR CALLBACK quietProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

void printNumbers(const char* name, DWORD high, DWORD low) {
  std::printf("%s: %u.%u.%u.%u\n", name, static_cast<unsigned>(HIWORD(high)), static_cast<unsigned>(LOWORD(high)),
              static_cast<unsigned>(HIWORD(low)), static_cast<unsigned>(LOWORD(low)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 10;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  if (size == 0) return 11;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(argv[1], 0, size, data.data())) return 12;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return 13;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  printNumbers("FILEVERSION", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  printNumbers("PRODUCTVERSION", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  // The strings of the first language the resource lists.
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) return 14;
  const auto* language = static_cast<const WORD*>(value);
  for (const char* name : {"FileVersion", "ProductVersion"}) {
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", language[0], language[1], name);
    if (!VerQueryValueA(data.data(), path, &value, &length)) return 15;
    std::printf("%s: %s\n", name, static_cast<const char*>(value));
  }

  // The About box, where the program has one.
  HMODULE program = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!program) return 16;
  if (FindResourceA(program, MAKEINTRESOURCEA(IDD_ABOUT), RT_DIALOG)) {
    HWND about = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, quietProcedure, 0);
    if (!about) return 17;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char text[256];
      if (GetWindowTextA(child, text, sizeof text) > 0) std::printf("About: %s\n", text);
    }
    DestroyWindow(about);
  }
  FreeLibrary(program);
  return std::fflush(stdout) == 0 ? 0 : 18;
}
