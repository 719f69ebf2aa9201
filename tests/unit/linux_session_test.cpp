// What the Linux front ends work out on their own: the picture that spans
// the outputs, the pointer measured from where it first appears, and the
// lock that keeps one full-screen saver per session.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "linux/output_layout.h"
#include "linux/session_lock.h"

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

  // Outputs at the ends of the coordinate range: a capped box, no overflow.
  const auto far = layOutOutputs({Area{-2000000000, 0, 100, 100}, Area{2000000000, 0, 100, 100}});
  EXPECT_EQ(far.box.width, 1 << 15);
  EXPECT_EQ(far.parts[0].x, 0);
  EXPECT_EQ(far.parts[1].x, 1 << 15);  // beyond the picture: black
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
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(SessionLockTest, OneHolderPerSessionUntilItGoes) {
  const std::string path = sessionLockPath(folder_.c_str(), "wayland-1");
  EXPECT_EQ(path, folder_.string() + "/lumarel-wayland-1.lock");
  {
    SessionLock first;
    ASSERT_EQ(first.take(path), SessionLock::Outcome::Taken);
    EXPECT_EQ(first.take(path), SessionLock::Outcome::Taken);  // taken again by its holder
    SessionLock second;
    EXPECT_EQ(second.take(path), SessionLock::Outcome::HeldElsewhere);
    // Another session has a lock of its own.
    SessionLock other;
    EXPECT_EQ(other.take(sessionLockPath(folder_.c_str(), "wayland-2")), SessionLock::Outcome::Taken);
  }
  // The holder's end releases it, and the file left behind is no obstacle.
  EXPECT_TRUE(std::filesystem::exists(path));
  SessionLock after;
  EXPECT_EQ(after.take(path), SessionLock::Outcome::Taken);
}

TEST_F(SessionLockTest, NamesAndFoldersThatCannotBeUsed) {
  // A display named by a path stays inside the runtime folder.
  EXPECT_EQ(sessionLockPath("/run/user/1000", "/tmp/../sock"), "/run/user/1000/lumarel-_tmp_.._sock.lock");
  EXPECT_EQ(sessionLockPath("/run/user/1000", nullptr), "/run/user/1000/lumarel-default.lock");
  EXPECT_EQ(sessionLockPath(nullptr, "wayland-0"), "");
  EXPECT_EQ(sessionLockPath("relative", "wayland-0"), "");
  SessionLock lock;
  EXPECT_EQ(lock.take(""), SessionLock::Outcome::Failed);
  EXPECT_EQ(lock.take((folder_ / "missing" / "x.lock").string()), SessionLock::Outcome::Failed);
}

}  // namespace
