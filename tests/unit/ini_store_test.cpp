// The INI store behind the profile functions.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>
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
  // Every letter folds, and only letters: '@' and '[' sit next to the capitals.
  ASSERT_TRUE(write("abcdefghijklmnopqrstuvwxyz", "2"));
  ASSERT_TRUE(write("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "3"));
  EXPECT_EQ(readInt("AbCdEfGhIjKlMnOpQrStUvWxYz"), 3u);
  ASSERT_TRUE(write("at@[", "4"));
  EXPECT_EQ(readInt("AT@["), 4u);
  EXPECT_EQ(readInt("at`["), static_cast<UINT>(-7));
  EXPECT_EQ(readInt("at@{"), static_cast<UINT>(-7));
  EXPECT_EQ(readFile(path), "[ScreenSaver.Lumarel]\nLow Intensity=1\nabcdefghijklmnopqrstuvwxyz=3\nat@[=4\n");
}

TEST_F(IniStoreTest, ANewSectionFollowsOneBlankLineHoweverTheFileEnds) {
  for (const auto& [before, after] :
       std::vector<std::pair<std::string, std::string>>{{"[A]\nk=1", "[A]\nk=1\n\n"},
                                                        {"[A]\nk=1\n", "[A]\nk=1\n\n"},
                                                        {"[A]\nk=1\n\n", "[A]\nk=1\n\n"},
                                                        {"[A]\nk=1\n\n\n", "[A]\nk=1\n\n\n"},
                                                        {"[A]\r\nk=1\r\n", "[A]\r\nk=1\r\n\r\n"},
                                                        {"[A]\r\nk=1\r\n\r\n", "[A]\r\nk=1\r\n\r\n"},
                                                        {"", ""}}) {
    writeFile(path, before);
    ASSERT_TRUE(write("Pause", "1"));
    const std::string eol = before.find('\r') == std::string::npos ? "\n" : "\r\n";
    EXPECT_EQ(readFile(path), after + "[ScreenSaver.Lumarel]" + eol + "Pause=1" + eol) << before;
  }
}

TEST_F(IniStoreTest, ValuesReadAsTheProfileIntegerFunctionDoes) {
  writeFile(path,
            "[ScreenSaver.Lumarel]\na=-5\nb= 12abc\nc=abc\nd=0x1F\ne=\nf=4294967301\ng=0X1f\nh=0b101\ni=0o17\n"
            "j=\"11\"\nk='12'\nl=\"3\nm=''\nn=\x01\x02 7\no=--3\np=" +
                std::string(28, '0') + "12\nq=\"" + std::string(26, '0') + "12\"\nr=\"" + std::string(27, '0') +
                "12\"\n");
  const std::pair<const char*, UINT> expected[] = {
      {"a", 4294967291u},
      {"b", 12},
      {"c", 0},
      {"d", 31},
      {"e", static_cast<UINT>(-7)},  // empty: the default
      {"f", 5},                      // wraps like a 32-bit conversion
      {"g", 0},                      // only a lower-case prefix counts
      {"h", 5},
      {"i", 15},
      {"j", 11},
      {"k", 12},  // one pair of quotes around a value goes
      {"l", 0},   // an unmatched one stays
      {"m", static_cast<UINT>(-7)},
      {"n", 7},  // control characters count as blanks
      {"o", 0},
      {"p", 1},   // the function reads 29 characters
      {"q", 12},  // quotes and 28 digits fit
      {"r", 1},   // 29 digits and the closing quote do not: the last digit goes
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(readInt(key), value) << key;
}

TEST_F(IniStoreTest, FilesAreReadAsTheWindowsProfileFunctionsReadThem) {
  const std::string utf16Text = "[ScreenSaver.Lumarel]\r\nPause=3\r\n";
  std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
  for (const char c : utf16Text) utf16le += std::string{c, '\0'}, utf16be += std::string{'\0', c};
  using namespace std::string_literals;
  const std::pair<std::string, UINT> files[] = {
      {"\xEF\xBB\xBF[ScreenSaver.Lumarel]\nPause=3\n", 3},
      {utf16le, 3},
      {utf16be, 3},
      {utf16le.substr(2), 9},  // UTF-16 without its mark is not read as such
      {"[ScreenSaver.Lumarel]\rMask=1\rPause=3\r", 3},
      {"[ScreenSaver.Lumarel]\n[Other\nPause=3\n", 3},  // no ']': not a header
      {"[ScreenSaver.Lumarel]x]\nPause=3\n", 9},        // the name ends at the last ']'
      {"[ ScreenSaver.Lumarel\t]\n\x1a\v Pause\f= 3\x1a\n", 3},
      {"[ScreenSaver.Lumarel]\nPause=3\nPause=4\n[ScreenSaver.Lumarel]\nMask=5\n", 3},
      {"[ScreenSaver.Lumarel]\nPause=\nPause=4\n", 9},  // the first key wins, even empty
      {"Pause=4\n[ScreenSaver.Lumarel]\n", 9},          // keys before any section belong to none
      {"[ScreenSaver.Lumarel]\nPause=3\0\x34\n"s, 3},   // a NUL ends a value
      {"[ScreenSaver.Lumarel]\nPause \0=3\n"s, 9},      // ... and a name, blanks before it kept
      {"[ScreenSaver.Lumarel\0]\nPause=3\n"s, 3},
      {"[ScreenSaver.Lumarel]\n;Pause=4\nPause=3 ; four\n", 3},
      {"[ScreenSaver.Lumarel]\nPause\xC2\xA0=3\n", 9},  // other spaces are part of the name
  };
  for (const auto& [text, expected] : files) {
    writeFile(path, text);
    EXPECT_EQ(readInt("Pause", 9), expected) << testing::PrintToString(text);
  }
}

TEST_F(IniStoreTest, AWriteKeepsTheFilesEncodingAndEveryOtherByte) {
  std::string file = "\xFF\xFE";
  for (const char16_t unit : std::u16string(u"; \u00E9t\u00E9 \xD83D\xDE00 \xD800\r[ScreenSaver.Lumarel]\rPause=0\r"))
    file += std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  writeFile(path, file + "\x41");  // and an odd byte at the end
  ASSERT_TRUE(write("Pause", "1"));
  ASSERT_TRUE(write("Mask", "0"));
  std::string expected = file.substr(0, file.size() - 4);  // up to the old value
  for (const char c : std::string("1\rMask=0\r")) expected += std::string{c, '\0'};
  EXPECT_EQ(readFile(path), expected + "\x41");
  EXPECT_EQ(readInt("Mask"), 0u);
  EXPECT_EQ(readInt("Pause"), 1u);
  EXPECT_FALSE(write("Pause", "\xFF"));  // not UTF-8: a UTF-16 file cannot take it
  // Names are compared as UTF-8, a surrogate pair as the one character it stands for.
  file = "\xFE\xFF";
  // U+1F600 and U+20000, on either side of the fourth byte's lowest bit.
  for (const char16_t unit : std::u16string(u"[S\xD83D\xDE00]\rk=5\r[T\xD840\xDC00]\rk=6\r"))
    file += std::string{static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
  writeFile(path, file);
  EXPECT_EQ(GetPrivateProfileIntA("S\xF0\x9F\x98\x80", "k", 9, "control.ini"), 5u);
  EXPECT_EQ(GetPrivateProfileIntA("T\xF0\xA0\x80\x80", "k", 9, "control.ini"), 6u);

  writeFile(path, "\xEF\xBB\xBF[ScreenSaver.Lumarel]\r\n\r\n[Other]\rx=\xFF\r");
  ASSERT_TRUE(write("Pause", "1"));
  EXPECT_EQ(readFile(path), "\xEF\xBB\xBF[ScreenSaver.Lumarel]\r\nPause=1\r\n\r\n[Other]\rx=\xFF\r");
}

TEST_F(IniStoreTest, AReadSeesEveryChangeOfTheFile) {
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=1\n");
  EXPECT_EQ(readInt("Pause"), 1u);
  // Rewritten in place, same size, same modification time to the second.
  struct stat before {};
  stat(path.c_str(), &before);
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=2\n");
  timespec times[2] = {before.st_atim, before.st_mtim};
  times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
  utimensat(AT_FDCWD, path.c_str(), times, 0);
  EXPECT_EQ(readInt("Pause"), 2u);
  // Replaced by another file of the same size and time.
  const std::string other = dir.file("other.ini");
  writeFile(other, "[ScreenSaver.Lumarel]\nPause=3\n");
  stat(path.c_str(), &before);
  times[0] = before.st_atim;
  times[1] = before.st_mtim;
  utimensat(AT_FDCWD, other.c_str(), times, 0);
  rename(other.c_str(), path.c_str());
  EXPECT_EQ(readInt("Pause"), 3u);
  unlink(path.c_str());
  EXPECT_EQ(readInt("Pause"), static_cast<UINT>(-7));
}

TEST_F(IniStoreTest, FilesOverTheLimitAreNeitherReadNorReplaced) {
  const std::string big = "[ScreenSaver.Lumarel]\nPause=0\n";
  writeFile(path, big + std::string(platform::maxReadableProfileSize - big.size(), '\n'));
  EXPECT_EQ(readInt("Pause"), 0u);  // at the limit: read
  writeFile(path, big + std::string(platform::maxReadableProfileSize - big.size() + 1, '\n'));
  testing::internal::CaptureStderr();
  EXPECT_EQ(readInt("Pause"), static_cast<UINT>(-7));
  EXPECT_EQ(readInt("Mask"), static_cast<UINT>(-7));
  EXPECT_FALSE(write("Pause", "1"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;  // once, not once a key
  EXPECT_NE(messages.find(path), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(path), platform::maxReadableProfileSize + 1);
}

TEST_F(IniStoreTest, TheLimitHoldsForWhatAProgramFoundWhenItFirstSawTheFile) {
  const std::string big = "[ScreenSaver.Lumarel]\nPause=0\n";
  const std::string overLimit = big + std::string(platform::maxProfileFileSize - big.size() + 1, '\n');
  writeFile(path, overLimit);
  testing::internal::CaptureStderr();
  EXPECT_EQ(readInt("Pause"), 0u);  // still read
  EXPECT_FALSE(write("Pause", "1"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_NE(testing::internal::GetCapturedStderr().find(path), std::string::npos);
  EXPECT_EQ(readFile(path), overLimit);
  // Found within the limit: its writes may take it past, up to the allowance.
  writeFile(path, big);
  resetSaverProcess();
  platform::setProfilePath(path);
  ASSERT_EQ(readInt("Pause"), 0u);
  writeFile(path, overLimit);
  EXPECT_TRUE(write("Pause", "1"));
  EXPECT_TRUE(write("Mask", std::string(platform::profileGrowthAllowance - 100, '7').c_str()));
  EXPECT_FALSE(write("Crown", std::string(200, '7').c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(readInt("Pause"), 1u);
  EXPECT_LE(std::filesystem::file_size(path), platform::maxReadableProfileSize);
}

TEST_F(IniStoreTest, RunOnlyValuesAreReadFirstAndNeverWritten) {
  writeFile(path, "[ScreenSaver.Lumarel]\nTimer interval=50\nPause=0\n");
  platform::setProfileValue(" screensaver.lumarel", "TIMER INTERVAL ", "7");
  EXPECT_EQ(readInt("Timer interval"), 7u);
  EXPECT_EQ(readInt("Pause"), 0u);
  ASSERT_TRUE(write("Timer interval", "9"));
  ASSERT_TRUE(write("Pause", "1"));
  EXPECT_EQ(readInt("Timer interval"), 9u);
  EXPECT_EQ(readFile(path), "[ScreenSaver.Lumarel]\nTimer interval=50\nPause=1\n");
  platform::clearProfileValues();
  EXPECT_EQ(readInt("Timer interval"), 50u);
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

TEST_F(IniStoreTest, AWriteThatFindsNoFileToReplaceSaysWhatThePathIs) {
  const auto reason = [&] {
    char text[128] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0, text, sizeof text, nullptr);
    return std::string(text);
  };
  mkdir(path.c_str(), 0755);
  EXPECT_FALSE(write("Pause", "0"));
  EXPECT_EQ(reason(), "The path is a folder, not a file.");
  rmdir(path.c_str());
  mkfifo(path.c_str(), 0644);
  EXPECT_FALSE(write("Pause", "0"));
  EXPECT_EQ(reason(), "The path is not a regular file.");
  unlink(path.c_str());
  symlink(dir.file("loop").c_str(), path.c_str());
  symlink(path.c_str(), dir.file("loop").c_str());
  EXPECT_FALSE(write("Pause", "0"));
  EXPECT_EQ(reason(), "The path's symbolic links form a loop.");
}

TEST_F(IniStoreTest, ReadOnlyAndUnreadableFilesAreNeverReplaced) {
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=0\n");
  chmod(path.c_str(), 0444);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(write("Pause", "1"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  char reason[64];
  ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0, reason, sizeof reason, nullptr), 0u);
  EXPECT_STREQ(reason, "Access is denied.");
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

// Writers in other processes, each setting a key of its own again and again
// and reading it back after every write; also counts the writers whose last
// value is missing at the end.
int lostUpdates(int writers, int writes) {
  std::vector<pid_t> children;
  for (int w = 0; w < writers; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      const std::string key = "Writer " + std::to_string(w);
      int lost = 0;
      for (int n = 1; n <= writes; ++n) {
        const std::string value = std::to_string(n);
        if (!WritePrivateProfileStringA("ScreenSaver.Lumarel", key.c_str(), value.c_str(), "control.ini") ||
            GetPrivateProfileIntA("ScreenSaver.Lumarel", key.c_str(), 0, "control.ini") != static_cast<UINT>(n))
          ++lost;
      }
      _exit(std::min(lost, 255));
    }
    children.push_back(pid);
  }
  int lost = 0;
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    lost += WIFEXITED(status) ? WEXITSTATUS(status) : writes;
  }
  for (int w = 0; w < writers; ++w) {
    const std::string key = "Writer " + std::to_string(w);
    lost += GetPrivateProfileIntA("ScreenSaver.Lumarel", key.c_str(), 0, "control.ini") != static_cast<UINT>(writes);
  }
  return lost;
}

TEST_F(IniStoreTest, ConcurrentWritersLoseNothing) {
  writeFile(path, "; shared\n[ScreenSaver.Lumarel]\nPause=1\n");
  EXPECT_EQ(lostUpdates(2, 300), 0);
  EXPECT_EQ(lostUpdates(3, 300), 0);
  EXPECT_EQ(readInt("Pause"), 1u);
}

TEST_F(IniStoreTest, AWriterKilledHalfwayLeavesACompleteFileAndAtMostOneTemporaryFile) {
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=0\n");
  const std::string temporary = dir.file(".control.ini.tmp");
  for (int round = 0; round < 25; ++round) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (unsigned n = 0;; ++n) {
        const std::string value = std::to_string(n);
        WritePrivateProfileStringA("ScreenSaver.Lumarel", n % 2 ? "Pause" : "Mask", value.c_str(), "control.ini");
      }
    }
    usleep(static_cast<useconds_t>(2000 + round * 400));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const std::string text = readFile(path);
    EXPECT_EQ(text.rfind("[ScreenSaver.Lumarel]\nPause=", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n') << text;
    size_t others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      others += entry.path().filename() != "control.ini" && entry.path().filename() != ".control.ini.lock";
    EXPECT_LE(others, 1u);
  }
  // The next write removes a stale temporary file, also when it changes nothing.
  for (const char* value : {"7", "7"}) {
    writeFile(temporary, "left by a killed writer");
    ASSERT_TRUE(write("Pause", value));
    EXPECT_FALSE(std::filesystem::exists(temporary));
  }
}

// Disk full, over quota and read-only each tell the user something else.
TEST_F(IniStoreTest, EachWriteFailureHasAMessageOfItsOwn) {
  const auto message = [](int error) {
    char text[64] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, platform::profileWriteError(error), 0, text, sizeof text,
                   nullptr);
    return std::string(text);
  };
  EXPECT_EQ(message(ENOSPC), "The disk is full.");
  EXPECT_EQ(message(EDQUOT), "The disk quota is exceeded.");
  EXPECT_EQ(message(EROFS), "Access is denied.");
  EXPECT_EQ(message(EACCES), "Access is denied.");
  EXPECT_EQ(message(EIO), "The file could not be written.");
  EXPECT_EQ(message(ENAMETOOLONG), "The folder was not found.");
  EXPECT_EQ(platform::profileWriteError(0), static_cast<DWORD>(ERROR_SUCCESS));
}

// The size asked for counts the terminating nul; one short gets nothing.
TEST_F(IniStoreTest, TheWindowsFolderIsTheProfilesFolderAndFitsOnlyWithItsNul) {
  const std::string folder = dir.path();
  const UINT length = static_cast<UINT>(folder.size());
  EXPECT_EQ(GetWindowsDirectoryA(nullptr, 0), length + 1);
  std::vector<char> buffer(folder.size() + 2, 'x');
  EXPECT_EQ(GetWindowsDirectoryA(buffer.data(), length), length + 1);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(GetWindowsDirectoryA(buffer.data(), length + 1), length);
  EXPECT_EQ(std::string(buffer.data()), folder);
  platform::setProfilePath("/control.ini");
  EXPECT_EQ(GetWindowsDirectoryA(buffer.data(), 2), 1u);
  EXPECT_STREQ(buffer.data(), "/");
  platform::setProfilePath("control.ini");
  EXPECT_EQ(GetWindowsDirectoryA(buffer.data(), 1), 2u);
  EXPECT_EQ(GetWindowsDirectoryA(buffer.data(), 2), 1u);
  EXPECT_STREQ(buffer.data(), ".");
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
