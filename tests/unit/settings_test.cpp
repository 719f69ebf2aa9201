// The settings record and its INI persistence.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ini_store.h"
#include "platform/win32.h"
#include "settings/settings.h"
#include "test_support.h"

namespace {

class SettingsTest : public ProfileFileTest {
 protected:
  void SetUp() override {
    ProfileFileTest::SetUp();
    loadProfileNames();
  }
};

TEST_F(SettingsTest, MissingFileLoadsTheDefaultsAndWritesNothing) {
  loadSettings(settings);
  EXPECT_EQ(settings.pause, 1u);
  EXPECT_EQ(settings.passwordRequired, 0u);
  EXPECT_EQ(settings.timerInterval, 20);
  EXPECT_EQ(settings.percentCrayon, 10);
  for (int slot = 0; slot < 32; ++slot) {
    EXPECT_EQ(settings.patternFlags[slot], slot <= patternCount ? 1u : 0u) << slot;
    EXPECT_EQ(settings.colorSetFlags[slot], slot <= colorSetCount ? 1u : 0u) << slot;
  }
  EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(SettingsTest, FirstSaveWritesTheSectionWithEveryKeyInOrder) {
  loadSettings(settings);
  saveSettings(settings);
  std::ostringstream expected;
  expected << "[ScreenSaver.Lumarel]\nPause=1\nPassword Required=0\nTimer interval=20\nPercentCrayon=10\n";
  for (const char* key : patternKeys) expected << key << "=1\n";
  for (const char* key : colorSetKeys)
    expected << std::string(key).substr(0, std::string(key).find_last_not_of(' ') + 1) << "=1\n";
  EXPECT_EQ(readFile(path), expected.str());
  loadSettings(settings);  // and reads back, the trailing blank of "Low Intensity " included
  EXPECT_EQ(settings.colorSetFlags[2], 1u);
}

TEST_F(SettingsTest, ASaveOfAFileAtTheSizeLimitWritesEveryKeyOrNone) {
  const std::string keys = "[ScreenSaver.Lumarel]\nTimer interval=5\nPercentCrayon=100\nSymmetron=0\n";
  writeFile(path, keys + std::string(platform::maxProfileFileSize - keys.size(), ';'));
  loadSettings(settings);
  settings.percentCrayon = 60;
  ASSERT_TRUE(saveSettings(settings));
  EXPECT_GT(std::filesystem::file_size(path), platform::maxProfileFileSize);
  // Another program reads back what was saved...
  resetSaverProcess();
  platform::setProfilePath(path);
  loadProfileNames();
  Settings read{};
  loadSettings(read);
  EXPECT_EQ(read.timerInterval, 5);
  EXPECT_EQ(read.percentCrayon, 60);
  EXPECT_EQ(read.patternFlags[1], 0u);
  EXPECT_EQ(read.colorSetFlags[17], 1u);
  // ... and, having found the file over the limit, saves none of it.
  const std::string saved = readFile(path);
  read.timerInterval = 9;
  EXPECT_FALSE(saveSettings(read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(readFile(path), saved);
}

TEST_F(SettingsTest, ValuesAreKeptAsReadAndSixteenBitFieldsWrap) {
  writeFile(path,
            "[ScreenSaver.Lumarel]\nTimer interval=65541\nPercentCrayon=3\nMask=7\nPause=0\nLow Intensity=0\n"
            "Patterns=0\nPassword Required=2\n");
  loadSettings(settings);
  EXPECT_EQ(settings.timerInterval, 5);
  EXPECT_EQ(settings.percentCrayon, 3);  // below the dialog's bounds: not raised
  EXPECT_EQ(settings.patternFlags[2], 7u);
  EXPECT_EQ(settings.patternFlags[0], 0u);
  EXPECT_EQ(settings.colorSetFlags[2], 0u);
  EXPECT_EQ(settings.pause, 0u);
  saveSettings(settings);
  const std::string saved = readFile(path);
  EXPECT_NE(saved.find("Mask=7\n"), std::string::npos);
  EXPECT_NE(saved.find("Timer interval=5\n"), std::string::npos);
  EXPECT_NE(saved.find("Password Required=2\n"), std::string::npos);
}

TEST_F(SettingsTest, ZeroTimerIntervalIsKeptInTheFileButRunsAsOne) {
  writeFile(path, "[ScreenSaver.Lumarel]\nTimer interval=0\n");
  loadSettings(settings);
  EXPECT_EQ(settings.timerInterval, 0);
  EXPECT_EQ(effectiveTimerInterval(settings), 1);
}

TEST_F(SettingsTest, ResetsEnableEveryEntryAndCycleAndClearTheSpareSlots) {
  settings.patternFlags.fill(0);
  settings.patternFlags[20] = 1;
  resetPatternFlags(settings);
  for (int slot = 0; slot < 32; ++slot) EXPECT_EQ(settings.patternFlags[slot], slot <= patternCount ? 1u : 0u);
  settings.colorSetFlags.fill(9);
  settings.colorSetFlags[0] = 0;
  resetColorSetFlags(settings);
  for (int slot = 0; slot < 32; ++slot) EXPECT_EQ(settings.colorSetFlags[slot], slot <= colorSetCount ? 1u : 0u);
}

}  // namespace
