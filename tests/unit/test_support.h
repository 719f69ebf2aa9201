// A fresh process for every test, and windows whose drawing is captured as trace lines.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux/headless/headless_saver.h"
#include "platform/platform_control.h"

// A folder under /tmp that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);

// A fresh process whose profile functions use control.ini in a folder of its own.
class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSaverProcess();
    platform::setProfilePath(path);
  }
  void TearDown() override { resetSaverProcess(); }
  TempDir dir;
  const std::string path = dir.file("control.ini");
};

class SaverTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the saver headless in a window of the given size, recording what it draws.
  HWND startSaver(int width, int height, uint32_t seed = 1, const std::string& iniPath = "");
  // Windows created from now on draw into the trace.
  void recordWindows();
  // A plain window of the given size whose device context draws into the trace.
  HDC captureDc(int width = 640, int height = 480);
  // A window that does only the default processing.
  static HWND plainWindow(int width, int height, DWORD style = WS_POPUP, HWND parent = nullptr);
  // The trace lines so far; clears them.
  std::vector<std::string> takeTrace();
  // Counts the lines of a trace that start with the word.
  static size_t count(const std::vector<std::string>& trace, const std::string& word);

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE* stream_ = nullptr;
  std::unique_ptr<platform::GdiObserver> observer_;
};
