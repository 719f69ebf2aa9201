// The lumarel program's command line: the saver's switches, the daemons'
// conventions, and the per-run overrides.

#include "linux/programs/saver_options.h"
#include "linux/programs/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::optional<SaverOptions> parse(std::vector<const char*> words, const char* daemonWindow = nullptr) {
  words.insert(words.begin(), "lumarel");
  std::string error;
  auto options = parseSaverOptions(static_cast<int>(words.size()), words.data(), daemonWindow, error);
  EXPECT_EQ(options.has_value(), error.empty()) << error;
  return options;
}

TEST(SaverOptions, SwitchWordsReachTheSaverAsTheyStand) {
  EXPECT_EQ(parse({"/p", "123"})->switches, "/p 123");
  EXPECT_EQ(parse({"-s"})->switches, "-s");
  EXPECT_EQ(parse({"/c:77"})->switches, "/c:77");
  EXPECT_EQ(parse({})->switches, "");
  EXPECT_EQ(parse({"/p", "123"})->target, SaverOptions::Target::Switches);
}

TEST(SaverOptions, DaemonOptionsTakeOneDashOrTwo) {
  EXPECT_EQ(parse({"-root"})->target, SaverOptions::Target::Root);
  EXPECT_EQ(parse({"--root"})->target, SaverOptions::Target::Root);
  EXPECT_EQ(parse({"--window"})->target, SaverOptions::Target::OwnWindow);
  const auto byId = parse({"-window-id", "0x400007"});
  EXPECT_EQ(byId->target, SaverOptions::Target::WindowId);
  EXPECT_EQ(byId->windowId, "0x400007");
}

TEST(SaverOptions, TheDaemonsWindowTakesOverTheRootOrAnEmptyCommandLine) {
  for (const auto& words : {std::vector<const char*>{"--root"}, std::vector<const char*>{}}) {
    const auto options = parse(words, "0x1200003");
    EXPECT_EQ(options->target, SaverOptions::Target::WindowId);
    EXPECT_EQ(options->windowId, "0x1200003");
  }
  // An explicit window, or a switch of the saver's own, wins over it.
  EXPECT_EQ(parse({"--window-id", "5"}, "0x1200003")->windowId, "5");
  EXPECT_EQ(parse({"/s"}, "0x1200003")->target, SaverOptions::Target::Switches);
  EXPECT_EQ(parse({"--root"}, "")->target, SaverOptions::Target::Root);
  // The wallpaper is the desktop's own background, never the daemon's window.
  EXPECT_EQ(parse({"--wallpaper"}, "0x1200003")->target, SaverOptions::Target::Wallpaper);
  EXPECT_EQ(parse({"--lock"}, "0x1200003")->target, SaverOptions::Target::Lock);
}

TEST(SaverOptions, OverridesAreCheckedAndKeptForTheRun) {
  const auto options = parse({"--interval", "5", "--crayon", "100", "--root"});
  EXPECT_EQ(options->overrides, (SettingOverride{{"Timer interval", "5"}, {"PercentCrayon", "100"}}));
  EXPECT_TRUE(runsSaver(*options));
  std::string error;
  for (const auto& words :
       {std::vector<const char*>{"lumarel", "--interval", "0"},
        std::vector<const char*>{"lumarel", "--interval", "1001"},
        std::vector<const char*>{"lumarel", "--interval", "-5"}, std::vector<const char*>{"lumarel", "--crayon", "101"},
        std::vector<const char*>{"lumarel", "--crayon", "ten"}, std::vector<const char*>{"lumarel", "--crayon"},
        std::vector<const char*>{"lumarel", "--root", "--window"}, std::vector<const char*>{"lumarel", "--root", "/s"},
        std::vector<const char*>{"lumarel", "--wallpaper", "--root"},
        std::vector<const char*>{"lumarel", "--wallpaper", "/p", "5"},
        std::vector<const char*>{"lumarel", "--lock", "--wallpaper"},
        std::vector<const char*>{"lumarel", "--lock", "/s"}, std::vector<const char*>{"lumarel", "--fullscreen"},
        std::vector<const char*>{"lumarel", "--backend", ""}, std::vector<const char*>{"lumarel", "--backend"}}) {
    error.clear();
    EXPECT_FALSE(parseSaverOptions(static_cast<int>(words.size()), words.data(), nullptr, error)) << words[1];
    EXPECT_FALSE(error.empty());
  }
}

TEST(SaverOptions, OnlySaverRunsTakeOverrides) {
  EXPECT_TRUE(runsSaver(*parse({"/s"})));
  EXPECT_TRUE(runsSaver(*parse({"--", "/l", "12"})));
  EXPECT_TRUE(runsSaver(*parse({"--window"})));
  EXPECT_FALSE(runsSaver(*parse({})));
  EXPECT_FALSE(runsSaver(*parse({"/c"})));
  EXPECT_FALSE(runsSaver(*parse({"/a", "1"})));
}

TEST(SaverOptions, WindowSizesTakeEitherCaseOfX) {
  for (const char* text : {"640x480", "640X480"}) {
    const auto size = parseWindowSize(text);
    ASSERT_TRUE(size) << text;
    EXPECT_EQ(size->width, 640);
    EXPECT_EQ(size->height, 480);
  }
  for (const char* bad : {"640", "x480", "640x", "32768x1", "1x32768", "6 40x480"})
    EXPECT_FALSE(parseWindowSize(bad)) << bad;
}

TEST(SaverOptions, WindowIdsInHexOrDecimal) {
  EXPECT_EQ(parseWindowId("0x1a00007"), 0x1a00007u);
  EXPECT_EQ(parseWindowId("0XFF"), 255u);
  EXPECT_EQ(parseWindowId("4194311"), 4194311u);
  EXPECT_EQ(parseWindowId("4294967295"), 4294967295u);
  for (const char* bad : {"", "0x", "12ab", "0xg1", "-5", "+5", " 5", "4294967296", "0x100000000"})
    EXPECT_FALSE(parseWindowId(bad)) << bad;
}

TEST(SaverOptions, BadSwitchesAreNamedAndGoodOnesPass) {
  const struct {
    const char* switches;
    const char* problem;  // a word the message must hold; null: accepted
    uint32_t window;
  } cases[] = {{"", nullptr, 0},
               {"/s", nullptr, 0},
               {"-C:12", nullptr, 0},
               {"/p 123", nullptr, 123},
               {"/l77", nullptr, 77},
               {"/p5", nullptr, 5},
               {"/p", "decimal id", 0},
               {"/p abc", "decimal id", 0},
               {"/p 0", "other than 0", 0},
               {"/x", "unknown switch /x", 0},
               {"/a 5", "Windows 95", 0},
               {"\xe9", "unknown switch", 0}};
  for (const auto& c : cases) {
    const std::string problem = switchProblem(c.switches);
    if (c.problem) {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.switches << ": " << problem;
    } else {
      EXPECT_EQ(problem, "") << c.switches;
    }
    EXPECT_EQ(previewWindowNumber(c.switches), c.window) << c.switches;
  }
}

}  // namespace

// A table as the program's: Wayland preferred, X11 the one that draws into
// other programs' windows.
const FrontEnd waylandEntry{"wayland", "WAYLAND_DISPLAY", false, [](std::string&) { return true; }, nullptr};
const FrontEnd x11Entry{"x11", "DISPLAY", true, nullptr, nullptr};
const FrontEnd* const bothFrontEnds[] = {&waylandEntry, &x11Entry};

TEST(SaverOptions, FrontEndFromTheEnvironmentOrTheCommandLine) {
  std::span<const FrontEnd* const> table = bothFrontEnds;
  const auto choose = [&](std::vector<const char*> words, const char* wayland, const char* x11) {
    return chooseFrontEnd(*parse(std::move(words)), table, [&](const char* name) {
      return std::string(name) == "WAYLAND_DISPLAY" ? wayland : std::string(name) == "DISPLAY" ? x11 : nullptr;
    });
  };
  const auto chosen = [&](auto... arguments) {
    const FrontEnd* frontEnd = choose(arguments...).frontEnd;
    return std::string(frontEnd ? frontEnd->name : "none");
  };
  EXPECT_EQ(chosen(std::vector<const char*>{"/s"}, "wayland-0", ":0"), "wayland");
  EXPECT_EQ(chosen(std::vector<const char*>{"/s"}, "", ":0"), "x11");
  EXPECT_EQ(chosen(std::vector<const char*>{"/s", "--backend", "x11"}, "wayland-0", ":0"), "x11");
  EXPECT_EQ(chosen(std::vector<const char*>{"-backend", "wayland", "/c"}, nullptr, ":0"), "wayland");
  EXPECT_EQ(chosen(std::vector<const char*>{"--window"}, "wayland-0", nullptr), "wayland");
  EXPECT_EQ(chosen(std::vector<const char*>{"--wallpaper"}, "wayland-0", ":1"), "wayland");
  EXPECT_EQ(chosen(std::vector<const char*>{"--lock"}, "wayland-0", ":1"), "wayland");
  // X11 cannot lock: the locker there runs the saver.
  for (const auto& x11Lock :
       {choose({"--lock"}, nullptr, ":0"), choose({"--lock", "--backend", "x11"}, "wayland-0", ":0")}) {
    EXPECT_EQ(x11Lock.frontEnd, nullptr);
    EXPECT_EQ(x11Lock.status, 2);
    EXPECT_NE(x11Lock.error.find("XSECURELOCK_SAVER=lumarel"), std::string::npos) << x11Lock.error;
  }
  // No display at all: the status of a display that cannot be opened.
  const auto none = choose({"/s"}, nullptr, "");
  EXPECT_EQ(none.frontEnd, nullptr);
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.error.find("WAYLAND_DISPLAY and DISPLAY"), std::string::npos) << none.error;
  // A name the table does not have is a bad option, naming those it has.
  const auto unknown = choose({"/s", "--backend", "mir"}, "wayland-0", ":0");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.error.find("wayland, x11"), std::string::npos) << unknown.error;
  table = std::span(bothFrontEnds).first(1);  // a build without X11
  EXPECT_EQ(choose({"--backend", "x11"}, nullptr, ":0").status, 2);
  EXPECT_EQ(chosen(std::vector<const char*>{"/s"}, "wayland-0", ":0"), "wayland");
  table = bothFrontEnds;

  // Another program's window is an X window: XWayland serves where there is one.
  EXPECT_EQ(chosen(std::vector<const char*>{"/p", "123"}, "wayland-0", ":1"), "x11");
  EXPECT_EQ(chosen(std::vector<const char*>{"--root"}, "wayland-0", ":1"), "x11");
  EXPECT_EQ(parse({}, "0x400001")->target, SaverOptions::Target::WindowId);
  for (const auto& words : {std::vector<const char*>{"/p", "123"}, std::vector<const char*>{"-L", "5"},
                            std::vector<const char*>{"--root"}, std::vector<const char*>{"--window-id", "7"}}) {
    const auto refused = choose(words, "wayland-0", nullptr);
    EXPECT_EQ(refused.frontEnd, nullptr) << words[0];
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.error.find("needs the x11 front end and DISPLAY"), std::string::npos) << refused.error;
    EXPECT_EQ(refused.error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(choose({"--backend", "wayland", "/p", "5"}, "wayland-0", ":1").status, 2);
}
