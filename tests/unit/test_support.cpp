#include "test_support.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "linux/headless/headless_saver.h"
#include "linux/headless/recording_device.h"

TempDir::TempDir() {
  char pattern[] = "/tmp/lumarel-test-XXXXXX";
  path_ = mkdtemp(pattern);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void writeFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

void SaverTest::SetUp() {
  resetSaverProcess();
  stream_ = open_memstream(&buffer_, &size_);
  observer_ = std::make_unique<RecordingDevice>(stream_);
  platform::setGdiObserver(observer_.get());
}

void SaverTest::TearDown() {
  resetSaverProcess();
  std::fclose(stream_);
  std::free(buffer_);
}

HWND SaverTest::startSaver(int width, int height, uint32_t seed, const std::string& iniPath) {
  HeadlessScenario scenario;
  scenario.seed = seed;
  scenario.width = width;
  scenario.height = height;
  scenario.iniPath = iniPath;
  HWND window = startHeadlessSaver(scenario, [this](HWND) { return std::make_unique<RecordingDevice>(stream_); });
  // Tests may have reset the process since SetUp, which forgets the observer.
  platform::setGdiObserver(observer_.get());
  return window;
}

namespace {
LRESULT CALLBACK plainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void SaverTest::recordWindows() {
  platform::setDeviceFactory([this](HWND) { return std::make_unique<RecordingDevice>(stream_); });
}

HWND SaverTest::plainWindow(int width, int height, DWORD style, HWND parent) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = plainProcedure;
  windowClass.lpszClassName = "Plain";
  RegisterClassA(&windowClass);  // fails harmlessly when registered already
  return CreateWindowExA(0, "Plain", "", style, 0, 0, width, height, parent, nullptr, nullptr, nullptr);
}

HDC SaverTest::captureDc(int width, int height) {
  recordWindows();
  return GetDC(plainWindow(width, height));
}

std::vector<std::string> SaverTest::takeTrace() {
  std::fflush(stream_);
  std::vector<std::string> lines;
  std::istringstream in(std::string(buffer_, static_cast<size_t>(std::ftell(stream_))));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::rewind(stream_);
  return lines;
}

size_t SaverTest::count(const std::vector<std::string>& trace, const std::string& word) {
  size_t n = 0;
  for (const std::string& line : trace) n += line.rfind(word + " ", 0) == 0 || line == word;
  return n;
}
