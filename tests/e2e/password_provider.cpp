// A screen-saver password provider for the tests, built as PASSWORD.CPL: it
// asks nobody. Each call appends a line to prompts.txt in the current folder
// and accepts when answer.txt there starts with 1.

#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
  if (std::FILE* prompts = std::fopen("prompts.txt", "a")) {
    std::fputs("prompt\n", prompts);
    std::fclose(prompts);
  }
  int answer = 0;
  if (std::FILE* file = std::fopen("answer.txt", "r")) {
    answer = std::fgetc(file) == '1';
    std::fclose(file);
  }
  return answer;
}
