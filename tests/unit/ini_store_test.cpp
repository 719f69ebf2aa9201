// The INI store behind the profile functions.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/ini_store.h"
#include "platform/win32.h"
#include "test_support.h"

namespace {

class IniStoreTest : public ProfileFileTest {
 protected:
  UINT readInt(const char* key, int fallback = -7) {
    return GetPrivateProfileIntA("ScreenSaver.Lumarel", key, fallback, "control.ini");
  }
  BOOL write(const char* key, const char* value, const char* section = "ScreenSaver.Lumarel") {
    return WritePrivateProfileStringA(section, key, value, "control.ini");
  }
};

TEST_F(IniStoreTest, AWriteChangesOnlyItsValueAndKeepsEveryOtherByte) {
  const std::string before =
      "; user's notes\r\n[Other]\r\nLow Intensity=9\r\n\r\n[screensaver.lumarel]\r\n  pause = 0 ; keep\r\n"
      "Weird line without equals\r\n\r\n[Last]\r\nx=1";
  writeFile(path, before);
  ASSERT_TRUE(write("Pause", "1"));
  ASSERT_TRUE(write("Timer interval", "20"));
  EXPECT_EQ(readFile(path),
            "; user's notes\r\n[Other]\r\nLow Intensity=9\r\n\r\n[screensaver.lumarel]\r\n  pause =1\r\n"
            "Weird line without equals\r\nTimer interval=20\r\n\r\n[Last]\r\nx=1");
  ASSERT_TRUE(write("Key", "v", "New"));
  const std::string added = "x=1\r\n\r\n[New]\r\nKey=v\r\n";
  const std::string after = readFile(path);
  EXPECT_EQ(after.substr(after.size() - added.size()), added);
}

TEST_F(IniStoreTest, NamesMatchIgnoringCaseAndSurroundingBlanks) {
  ASSERT_TRUE(write("Low Intensity ", "1"));
  EXPECT_EQ(readFile(path), "[ScreenSaver.Lumarel]\nLow Intensity=1\n");
  EXPECT_EQ(readInt("Low Intensity "), 1u);
  EXPECT_EQ(readInt("low intensity"), 1u);
  EXPECT_EQ(GetPrivateProfileIntA(" SCREENSAVER.lumarel ", "LOW INTENSITY", 5, "control.ini"), 1u);
  EXPECT_EQ(readInt("Missing"), static_cast<UINT>(-7));
}

TEST_F(IniStoreTest, ValuesReadAsTheProfileIntegerFunctionDoes) {
  writeFile(path, "[ScreenSaver.Lumarel]\na=-5\nb= 12abc\nc=abc\nd=0x10\ne=\nf=4294967301\n");
  EXPECT_EQ(readInt("a"), 4294967291u);
  EXPECT_EQ(readInt("b"), 12u);
  EXPECT_EQ(readInt("c"), 0u);
  EXPECT_EQ(readInt("d"), 16u);
  EXPECT_EQ(readInt("e"), static_cast<UINT>(-7));  // empty value: the default
  EXPECT_EQ(readInt("f"), 5u);                     // wraps like a 32-bit conversion
}

TEST_F(IniStoreTest, ReplacementIsAtomicAndLeavesNoTemporaryFile) {
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=0\n");
  chmod(path.c_str(), 0640);
  struct stat before {};
  stat(path.c_str(), &before);
  ASSERT_TRUE(write("Pause", "1"));
  struct stat after {};
  stat(path.c_str(), &after);
  EXPECT_NE(before.st_ino, after.st_ino);  // a new file renamed into place
  EXPECT_EQ(after.st_mode & 0777, 0640u);
  // Beside it only the lock file, no temporary one.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".control.ini.lock", "control.ini"}));
}

TEST_F(IniStoreTest, WritesGoThroughSymbolicLinksAndCreateMissingFolders) {
  const std::string real = dir.file("real.ini");
  writeFile(real, "[ScreenSaver.Lumarel]\n");
  symlink(real.c_str(), path.c_str());
  ASSERT_TRUE(write("Pause", "0"));
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(readFile(real), "[ScreenSaver.Lumarel]\nPause=0\n");

  platform::setProfilePath(dir.file("a/b/control.ini"));
  ASSERT_TRUE(write("Pause", "1"));
  EXPECT_EQ(readFile(dir.file("a/b/control.ini")), "[ScreenSaver.Lumarel]\nPause=1\n");
}

TEST_F(IniStoreTest, ReadOnlyAndUnreadableFilesAreNeverReplaced) {
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=0\n");
  chmod(path.c_str(), 0444);
  EXPECT_FALSE(write("Pause", "1"));
  EXPECT_EQ(readFile(path), "[ScreenSaver.Lumarel]\nPause=0\n");

  // A folder where the file should be cannot be read: defaults, and no write.
  platform::setProfilePath(dir.path());
  EXPECT_EQ(readInt("Pause", 3), 3u);
  EXPECT_FALSE(write("Pause", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path()));

  // A parent that is a file cannot hold the settings file.
  platform::setProfilePath(path + "/control.ini");
  EXPECT_FALSE(write("Pause", "1"));
}

TEST_F(IniStoreTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
  EXPECT_FALSE(write("Pause", "1\n[Evil]"));
  EXPECT_FALSE(write("Pa=use", "1"));
  EXPECT_FALSE(write("Pause", "1", "Sec]tion"));
  EXPECT_FALSE(write("", "1"));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniProfileLocation, BareNamesLiveInTheUsersConfigurationFolder) {
  resetSaverProcess();
  platform::useUserProfile();
  setenv("XDG_CONFIG_HOME", "/config/home", 1);
  EXPECT_EQ(platform::profilePath("control.ini"), "/config/home/lumarel/control.ini");
  EXPECT_EQ(platform::profilePath("../../etc/control.ini"), "/config/home/lumarel/control.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the convention says
  setenv("HOME", "/home/user", 1);
  EXPECT_EQ(platform::profilePath("control.ini"), "/home/user/.config/lumarel/control.ini");
  resetSaverProcess();
}

}  // namespace
