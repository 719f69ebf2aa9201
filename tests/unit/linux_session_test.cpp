// What the Linux front ends work out on their own: the picture that spans
// the outputs, the pointer measured from where it first appears, and the
// lock that keeps one full-screen saver per session.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "linux/desktop/close_signals.h"
#include "linux/desktop/closed_surface.h"
#include "linux/desktop/output_layout.h"
#include "linux/desktop/power_watch.h"
#include "linux/desktop/session_lock.h"

namespace {

TEST(OutputLayout, OneBoxAroundOutputsOfDifferentSizes) {
  // A 1024x768 output, and an 800x600 one to its right and a little higher.
  const auto layout = layOutOutputs({Area{0, 0, 1024, 768}, Area{1024, -100, 800, 600}});
  EXPECT_EQ(layout.box, (Area{0, -100, 1824, 868}));
  ASSERT_EQ(layout.parts.size(), 2u);
  EXPECT_EQ(layout.parts[0], (Area{0, 100, 1024, 768}));
  EXPECT_EQ(layout.parts[1], (Area{1024, 0, 800, 600}));

  const auto single = layOutOutputs({Area{-1920, 0, 1920, 1080}});
  EXPECT_EQ(single.box, (Area{-1920, 0, 1920, 1080}));
  EXPECT_EQ(single.parts[0], (Area{0, 0, 1920, 1080}));
}

TEST(OutputLayout, OutputsWithoutPixelsOrFarAway) {
  const auto layout = layOutOutputs({Area{5000, 5000, 0, 0}, Area{10, 20, 640, 480}});
  EXPECT_EQ(layout.box, (Area{10, 20, 640, 480}));
  EXPECT_EQ(layout.parts[0], Area{});
  EXPECT_EQ(layout.parts[1], (Area{0, 0, 640, 480}));

  const auto none = layOutOutputs({});
  EXPECT_EQ(none.box, Area{});
  EXPECT_TRUE(none.parts.empty());
  EXPECT_EQ(layOutOutputs({Area{0, 0, -5, 10}}).box, Area{});
  // Pixels along one axis only are none: neither widens the box.
  const auto flat = layOutOutputs({Area{0, 0, 1024, 768}, Area{1024, 0, 800, 0}, Area{0, 768, 0, 600}});
  EXPECT_EQ(flat.box, (Area{0, 0, 1024, 768}));
  EXPECT_EQ(flat.parts[1], Area{});
  EXPECT_EQ(flat.parts[2], Area{});

  // Outputs at the ends of the coordinate range: a capped box, no overflow.
  const auto far = layOutOutputs({Area{-2000000000, 0, 100, 100}, Area{2000000000, 0, 100, 100}});
  EXPECT_EQ(far.box.width, 1 << 15);
  EXPECT_EQ(far.parts[0].x, 0);
  EXPECT_EQ(far.parts[1].x, 1 << 15);  // beyond the picture: black
}

TEST(OutputLayout, DevicePixelsAtEachOutputsScale) {
  // A 1920x1080 output at scale 1, and a 3840x2160 one at scale 2 to its
  // right (1920x1080 logical): side by side in the picture, each at its own size.
  const auto mixed =
      layOutOutputs({ScaledOutput{Area{0, 0, 1920, 1080}, 120}, ScaledOutput{Area{1920, 0, 1920, 1080}, 240}});
  EXPECT_EQ(mixed.box, (Area{0, 0, 5760, 2160}));
  EXPECT_EQ(mixed.parts[0], (Area{0, 0, 1920, 1080}));
  EXPECT_EQ(mixed.parts[1], (Area{1920, 0, 3840, 2160}));

  // The denser output on the left pushes the other one right, not over it.
  const auto swapped =
      layOutOutputs({ScaledOutput{Area{1920, 0, 1920, 1080}, 120}, ScaledOutput{Area{0, 0, 1920, 1080}, 240}});
  EXPECT_EQ(swapped.parts[0], (Area{3840, 0, 1920, 1080}));
  EXPECT_EQ(swapped.parts[1], (Area{0, 0, 3840, 2160}));

  // 1.5: a 1280x720 logical output has 1920x1080 device pixels; sizes round
  // half away from zero.
  const auto fractional = layOutOutputs({ScaledOutput{Area{0, 0, 1280, 720}, 180}});
  EXPECT_EQ(fractional.box, (Area{0, 0, 1920, 1080}));
  EXPECT_EQ(devicePixels(101, 150), 126);  // 126.25
  EXPECT_EQ(devicePixels(3, 180), 5);      // 4.5
  EXPECT_EQ(devicePixels(0, 240), 0);
}

TEST(OutputLayout, ScaledPartsNeverOverlapAndFitTheBox) {
  // A grid of outputs with every mix of scales, some rows shifted: each part
  // lies in the box, and no two parts share a pixel.
  const int scales[] = {120, 150, 180, 240, 360};
  for (int shift : {0, 333}) {
    for (int first = 0; first < 5; ++first) {
      std::vector<ScaledOutput> outputs;
      for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
          outputs.emplace_back(Area{column * 1000 + row * shift, row * 700, 1000, 700},
                               scales[(first + row * 3 + column) % 5]);
      const auto layout = layOutOutputs(outputs);
      for (size_t i = 0; i < outputs.size(); ++i) {
        const Area& a = layout.parts[i];
        EXPECT_EQ(a.width, devicePixels(1000, outputs[i].scale120));
        EXPECT_GE(a.x, 0);
        EXPECT_LE(a.x + a.width, layout.box.width);
        EXPECT_LE(a.y + a.height, layout.box.height);
        for (size_t j = 0; j < i; ++j) {
          const Area& b = layout.parts[j];
          const bool apart =
              a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + a.height <= b.y || b.y + b.height <= a.y;
          EXPECT_TRUE(apart) << "outputs " << j << " and " << i << ", shift " << shift << ", first scale " << first;
        }
      }
    }
  }
}

TEST(OutputLayout, LogicalLengthsComeBackFromTheirDevicePixelsRoundedToTheNearest) {
  for (const int scale : {120, 150, 180, 210, 240, 360})
    for (int logical = 0; logical <= 3000; ++logical)
      ASSERT_EQ(logicalPixels(devicePixels(logical, scale), scale), logical) << logical << " at " << scale;
  EXPECT_EQ(logicalPixels(5, 240), 3);  // 2.5: half up
  EXPECT_EQ(logicalPixels(4, 180), 3);  // 2.67
  // Left of the picture alike: -1.5 and -2.67.
  EXPECT_EQ(logicalPixels(-3, 240), -1);
  EXPECT_EQ(logicalPixels(-4, 180), -3);
  EXPECT_EQ(logicalPixels(7, 0), 7);  // no scale known: as many
}

TEST(OutputLayout, DamageInLogicalPixelsCoversExactlyThePixelsTheDeviceRectangleTouches) {
  std::mt19937 random(3);
  // Buffers and the logical sizes they cover: scales 1, 1.25, 1.5, 2 and 3, and one below 1.
  for (const auto& [buffer, logical] : {std::pair{Area{0, 0, 640, 480}, SIZE{640, 480}},
                                        {Area{0, 0, 1600, 900}, SIZE{1280, 720}},
                                        {Area{0, 0, 1920, 1080}, SIZE{1280, 720}},
                                        {Area{0, 0, 3840, 2160}, SIZE{1920, 1080}},
                                        {Area{0, 0, 300, 200}, SIZE{100, 67}},
                                        {Area{0, 0, 500, 300}, SIZE{1000, 600}},
                                        {Area{0, 0, 1001, 997}, SIZE{640, 480}}}) {
    // Every tile-sized rectangle along the diagonal, so that each rounding
    // case comes up, and rectangles of any size.
    for (int round = 0; round < buffer.width + 50; ++round) {
      const bool along = round < buffer.width;
      const int x = along ? round : std::uniform_int_distribution(0, buffer.width - 1)(random);
      const int y =
          along ? round * buffer.height / buffer.width : std::uniform_int_distribution(0, buffer.height - 1)(random);
      const Area rect{
          x, y, along ? std::min(64, buffer.width - x) : std::uniform_int_distribution(1, buffer.width - x)(random),
          along ? std::min(64, buffer.height - y) : std::uniform_int_distribution(1, buffer.height - y)(random)};
      // Device pixel d spans logical [d * L / B, (d + 1) * L / B).
      const auto first = [](int d, int l, int b) { return static_cast<int>(int64_t(d) * l / b); };
      const auto end = [](int d, int l, int b) { return static_cast<int>((int64_t(d + 1) * l + b - 1) / b); };
      const int left = first(rect.x, logical.cx, buffer.width), top = first(rect.y, logical.cy, buffer.height);
      const Area touched{left, top, end(rect.x + rect.width - 1, logical.cx, buffer.width) - left,
                         end(rect.y + rect.height - 1, logical.cy, buffer.height) - top};
      ASSERT_EQ(logicalCover(rect, buffer, logical), touched)
          << rect.x << "," << rect.y << " " << rect.width << "x" << rect.height << " of " << buffer.width;
    }
  }
  // Nothing shown yet.
  for (const Area empty : {Area{}, Area{0, 0, 10, 0}, Area{0, 0, 0, 10}})
    EXPECT_EQ(logicalCover(Area{0, 0, 4, 4}, empty, SIZE{10, 10}), Area{});
}

TEST(PowerWatch, AResumeAndAChangeOfTheMainsAreEachBroadcastOnce) {
  uint8_t mains = 1;
  int64_t slept = 5000;
  PowerWatch watch(PowerReadings{[&] { return mains; }, [&] { return slept; }});
  std::vector<WPARAM> events;
  const auto record = [&](WPARAM event) { events.push_back(event); };
  watch.check(0, record);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(watch.nextCheck(), 2000u);
  slept += 1000;  // the clocks drifting apart by a second is no suspend
  watch.check(2000, record);
  EXPECT_TRUE(events.empty());
  slept += 1001;  // the boot clock ran on while the machine slept
  watch.check(3999, record);
  EXPECT_TRUE(events.empty()) << "looked before it was due";
  watch.check(4000, record);
  EXPECT_EQ(events, std::vector<WPARAM>{PBT_APMRESUMESUSPEND});
  events.clear();
  watch.check(6000, record);
  EXPECT_TRUE(events.empty()) << "one resume told twice";
  mains = 0;  // unplugged
  watch.check(8000, record);
  EXPECT_EQ(events, std::vector<WPARAM>{PBT_APMPOWERSTATUSCHANGE});
}

TEST(ClosedSurface, EndsTheSaverOnlyOnceTheGraceFromTheFirstCloseIsOver) {
  ClosedSurface surface;
  EXPECT_EQ(surface.deadline(), UINT64_MAX);  // an open surface never wakes the loop
  EXPECT_FALSE(surface.graceOver(UINT64_MAX - 1));
  surface.close(0);  // the timer clock may read 0 right after start
  EXPECT_TRUE(surface.closed());
  surface.close(300);  // the compositor says it again
  EXPECT_EQ(surface.deadline(), ClosedSurface::grace);
  EXPECT_FALSE(surface.graceOver(ClosedSurface::grace - 1));
  EXPECT_TRUE(surface.graceOver(ClosedSurface::grace));
}

TEST(PointerTrack, MovesCountFromWhereThePointerFirstAppeared) {
  PointerTrack track(POINT{0, 0});
  // The compositor first shows the pointer far from (0, 0): no move yet.
  POINT at = track.cursorAt(POINT{700, 300});
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.y, 0);
  at = track.cursorAt(POINT{703, 301});
  EXPECT_EQ(at.x, 3);
  EXPECT_EQ(at.y, 1);
  at = track.cursorAt(POINT{1500, 0});  // over another output's surface
  EXPECT_EQ(at.x, 800);
  EXPECT_EQ(at.y, -300);
}

class SessionLockTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("lumarel-lock-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    for (int socket : sockets_) close(socket);
    std::filesystem::remove_all(folder_);
  }
  // A compositor's socket in the runtime folder.
  void listenOn(const std::string& name) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (folder_ / name).string();
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    sockets_.push_back(socket);
  }
  std::string lockPath(const char* display) {
    std::string problem;
    const std::string path = sessionLockPath(folder_.c_str(), display, problem);
    EXPECT_EQ(path.empty(), !problem.empty()) << problem;
    return path;
  }
  std::filesystem::path folder_;
  std::vector<int> sockets_;
};

TEST_F(SessionLockTest, OneHolderPerCompositorUntilItGoesHoweverItsSocketIsNamed) {
  listenOn("wayland-1");
  listenOn("wayland-2");
  const std::string path = lockPath("wayland-1");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(std::filesystem::path(path).parent_path(), folder_);
  EXPECT_EQ(lockPath((folder_ / "wayland-1").c_str()), path);
  EXPECT_EQ(lockPath((folder_.string() + "/./wayland-1").c_str()), path);
  {
    SessionLock first;
    ASSERT_EQ(first.take(path), SessionLock::Outcome::Taken);
    EXPECT_EQ(first.take(path), SessionLock::Outcome::Taken);  // taken again by its holder
    SessionLock second;
    EXPECT_EQ(second.take(path), SessionLock::Outcome::HeldElsewhere);
    // Another compositor has a lock of its own.
    SessionLock other;
    EXPECT_EQ(other.take(lockPath("wayland-2")), SessionLock::Outcome::Taken);
    // So has the wallpaper of the same compositor.
    std::string problem;
    SessionLock wallpaper;
    EXPECT_EQ(wallpaper.take(sessionLockPath(folder_.c_str(), "wayland-1", problem, "wallpaper")),
              SessionLock::Outcome::Taken);
  }
  // The holder's end releases it, and the file left behind is no obstacle.
  EXPECT_TRUE(std::filesystem::exists(path));
  SessionLock after;
  EXPECT_EQ(after.take(path), SessionLock::Outcome::Taken);
}

// A lock screen asks who holds the saver's lock, to end that saver.
TEST_F(SessionLockTest, TheHolderIsNamedOnlyWhileItHoldsTheLock) {
  listenOn("wayland-1");
  const std::string path = lockPath("wayland-1");
  EXPECT_EQ(sessionLockHolder(path), 0);  // no file yet
  {
    SessionLock held;
    ASSERT_EQ(held.take(path), SessionLock::Outcome::Taken);
    EXPECT_EQ(sessionLockHolder(path), getpid());
    // Asking leaves the lock where it was.
    SessionLock second;
    EXPECT_EQ(second.take(path), SessionLock::Outcome::HeldElsewhere);
  }
  // The number left in the file names nobody once the lock is free.
  EXPECT_EQ(sessionLockHolder(path), 0);
  // A holder's number is its own, not one left by an earlier holder.
  std::ofstream(path) << "999999999 and more\n";
  SessionLock next;
  ASSERT_EQ(next.take(path), SessionLock::Outcome::Taken);
  EXPECT_EQ(sessionLockHolder(path), getpid());
}

TEST_F(SessionLockTest, ARoleLockThatCannotBeHadIsSaidOnceAndOneThatCanIsKept) {
  listenOn("wayland-1");
  RoleLock broken, saver, second;
  std::string notice;
  EXPECT_EQ(broken.take("/nonexistent-folder", "wayland-1", "", notice), SessionLock::Outcome::Failed);
  EXPECT_NE(notice.find("XDG_RUNTIME_DIR"), std::string::npos) << notice;
  notice.clear();
  EXPECT_EQ(broken.take("/nonexistent-folder", "wayland-1", "", notice), SessionLock::Outcome::Failed);
  EXPECT_EQ(notice, "");  // said already
  EXPECT_EQ(saver.take(folder_.c_str(), "wayland-1", "", notice), SessionLock::Outcome::Taken);
  EXPECT_EQ(second.take(folder_.c_str(), "wayland-1", "", notice), SessionLock::Outcome::HeldElsewhere);
  EXPECT_EQ(saver.take(folder_.c_str(), "wayland-1", "", notice), SessionLock::Outcome::Taken);  // kept
  EXPECT_EQ(notice, "");
}

TEST_F(SessionLockTest, RuntimeFoldersAndSocketsThatCannotServeAreNamed) {
  listenOn("wayland-0");
  std::string problem;
  for (const char* folder : {static_cast<const char*>(nullptr), "relative", "/nonexistent-folder"}) {
    problem.clear();
    EXPECT_EQ(sessionLockPath(folder, "wayland-0", problem), "");
    EXPECT_NE(problem.find("XDG_RUNTIME_DIR"), std::string::npos) << problem;
  }
  const std::string file = (folder_ / "plain").string();
  std::fclose(std::fopen(file.c_str(), "w"));
  EXPECT_EQ(sessionLockPath(file.c_str(), "wayland-0", problem), "");
  EXPECT_FALSE(lockPath(nullptr).empty());  // wayland-0 when the variable is unset
  problem.clear();
  EXPECT_EQ(sessionLockPath(folder_.c_str(), "wayland-9", problem), "");
  EXPECT_NE(problem.find("wayland-9"), std::string::npos) << problem;
  EXPECT_EQ(sessionLockPath(folder_.c_str(), "plain", problem), "");  // not a socket
  SessionLock lock;
  EXPECT_EQ(lock.take(""), SessionLock::Outcome::Failed);
  EXPECT_EQ(lock.take((folder_ / "missing" / "x.lock").string()), SessionLock::Outcome::Failed);
}

}  // namespace

// Each of the three signals reaches the owners' handlers once, through the
// pipe that the loops watch; an owner that forgot is not called.
TEST(CloseSignals, EachSignalReachesTheHandlersThroughThePipe) {
  closeSignals::install();
  ASSERT_GE(closeSignals::descriptor(), 0);
  int calls = 0, forgotten = 0;
  closeSignals::onArrival(
      &calls, +[](void* data) { ++*static_cast<int*>(data); }, &calls);
  closeSignals::onArrival(
      &forgotten, +[](void* data) { ++*static_cast<int*>(data); }, &forgotten);
  closeSignals::forget(&forgotten);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const int before = calls;
    raise(signal);
    pollfd ready{closeSignals::descriptor(), POLLIN, 0};
    EXPECT_EQ(poll(&ready, 1, 1000), 1) << "signal " << signal;
    closeSignals::dispatch();
    EXPECT_EQ(calls, before + 1) << "signal " << signal;
  }
  closeSignals::dispatch();  // nothing more arrived
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(forgotten, 0);
  closeSignals::forget(&calls);
  // The test runner's own signals end it again.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
}
