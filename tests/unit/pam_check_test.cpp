// The password check in its child process, against pam_matrix under
// pam_wrapper (ctest sets them up; tests/CMakeLists.txt writes the service
// files and the users: alice on lumarel-test, bob allowed only elsewhere,
// carol on lumarel-echo, dave on lumarel-slow, which waits 1.5 s after a
// failure).

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "linux/lock/pam_check.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::string_view alicePassword = "correct horse \u2713 \u00e9";

void fill(SecretBuffer& buffer, std::string_view text) {
  buffer.clear();
  ASSERT_TRUE(buffer.append(text.data(), text.size()));
}

// Polls the descriptor as the lock screen's loop does.
std::optional<CheckResult> awaitResult(PasswordChecker& checker, std::chrono::milliseconds limit = 10s) {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline && checker.descriptor() >= 0) {
    pollfd watch{checker.descriptor(), POLLIN, 0};
    poll(&watch, 1, 100);
    if (auto result = checker.collect()) return result;
  }
  return std::nullopt;
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

class PamCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* wrapped = std::getenv("PAM_WRAPPER");
    if (wrapped == nullptr || std::string_view(wrapped) != "1")
      GTEST_SKIP() << "needs pam_wrapper and pam_matrix (Debian's libpam-wrapper), set up by ctest";
  }
  void start(PasswordChecker& checker, const std::string& service, const std::string& user) {
    std::string problem;
    ASSERT_TRUE(checker.start(service, user, problem)) << problem;
    EXPECT_EQ(problem, "");
  }
  // One check in a checker of its own.
  std::optional<CheckResult> check(const std::string& service, const std::string& user, std::string_view password) {
    PasswordChecker checker;
    start(checker, service, user);
    SecretBuffer buffer;
    fill(buffer, password);
    if (!checker.submit(buffer)) return std::nullopt;
    return awaitResult(checker);
  }
  void needSlowService() {
    if (!pamServiceProblem("lumarel-slow").empty()) GTEST_SKIP() << "pam_faildelay.so is not installed";
  }

  SecretBuffer password;
};

TEST_F(PamCheckTest, OnlyTheRightPasswordOfAnAllowedAccountIsAccepted) {
  EXPECT_EQ(check("lumarel-test", "alice", alicePassword), CheckResult::Accepted);
  EXPECT_EQ(check("lumarel-test", "alice", "correct horse"), CheckResult::Refused);
  EXPECT_EQ(check("lumarel-test", "alice", ""), CheckResult::Refused);
  EXPECT_EQ(check("lumarel-test", "alice", std::string(alicePassword) + '\0'), CheckResult::Refused);
  // Bob's password is right, but his account is not allowed this service.
  EXPECT_EQ(check("lumarel-test", "bob", "hunter2"), CheckResult::Refused);
}

TEST_F(PamCheckTest, OneProcessChecksTryAfterTry) {
  PasswordChecker checker;
  start(checker, "lumarel-test", "alice");
  for (const std::string_view attempt : {std::string_view("wrong"), alicePassword, std::string_view("x")}) {
    fill(password, attempt);
    ASSERT_TRUE(checker.submit(password));
    EXPECT_TRUE(checker.busy());
    EXPECT_EQ(awaitResult(checker), attempt == alicePassword ? CheckResult::Accepted : CheckResult::Refused) << attempt;
    EXPECT_FALSE(checker.busy());
  }
  std::string tooLong(passwordLimit + 1, 'a');
  SecretBuffer large(passwordLimit + 1);
  fill(large, tooLong);
  EXPECT_FALSE(checker.submit(large));
  EXPECT_FALSE(checker.busy());
}

TEST_F(PamCheckTest, BrokenStacksAndUnanswerablePromptsFail) {
  // A module that does not load, a module without its user list, and a
  // prompt that echoes (which a password cannot answer).
  EXPECT_EQ(check("lumarel-missing-module", "alice", alicePassword), CheckResult::Failed);
  EXPECT_EQ(check("lumarel-no-passdb", "alice", alicePassword), CheckResult::Failed);
  EXPECT_EQ(check("lumarel-echo", "carol", "secret"), CheckResult::Failed);
}

TEST_F(PamCheckTest, TriesDuringASlowCheckAreDroppedWithoutBlocking) {
  needSlowService();
  PasswordChecker checker;
  start(checker, "lumarel-slow", "dave");
  fill(password, "wrong");
  const auto before = Clock::now();
  ASSERT_TRUE(checker.submit(password));
  EXPECT_EQ(checker.collect(), std::nullopt);
  fill(password, "secret");
  EXPECT_FALSE(checker.submit(password));
  EXPECT_LT(Clock::now() - before, 500ms);
  EXPECT_TRUE(checker.busy());
  // The result is the first password's, not the dropped one's.
  EXPECT_EQ(awaitResult(checker), CheckResult::Refused);
  EXPECT_GE(Clock::now() - before, 1s);
  ASSERT_TRUE(checker.submit(password));
  EXPECT_EQ(awaitResult(checker), CheckResult::Accepted);
}

TEST_F(PamCheckTest, AChildKilledMidCheckReadsFailedAndTakesNoMore) {
  needSlowService();
  PasswordChecker checker;
  start(checker, "lumarel-slow", "dave");
  fill(password, "wrong");
  ASSERT_TRUE(checker.submit(password));
  ASSERT_EQ(kill(checker.processId(), SIGKILL), 0);
  EXPECT_EQ(awaitResult(checker), CheckResult::Failed);
  EXPECT_FALSE(checker.busy());
  EXPECT_EQ(checker.descriptor(), -1);
  EXPECT_EQ(checker.processId(), -1);
  fill(password, "secret");
  EXPECT_FALSE(checker.submit(password));
}

TEST_F(PamCheckTest, TheChildHoldsNeitherThePasswordInViewNorOurDescriptors) {
  needSlowService();
  const int unrelated = open("/dev/null", O_RDONLY);
  ASSERT_GE(unrelated, 0);
  PasswordChecker checker;
  start(checker, "lumarel-slow", "dave");
  close(unrelated);
  EXPECT_EQ(prctl(PR_GET_DUMPABLE), 0);
  const std::string proc = "/proc/" + std::to_string(checker.processId());
  const std::string secret = "wrong but memorable";
  fill(password, secret);
  ASSERT_TRUE(checker.submit(password));
  std::this_thread::sleep_for(200ms);  // inside PAM's delay now
  for (const char* file : {"/cmdline", "/environ"}) {
    const std::string text = readFile(proc + file);
    EXPECT_FALSE(text.empty()) << file;
    EXPECT_EQ(text.find(secret), std::string::npos) << file;
  }
  std::vector<int> open;
  for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd"))
    open.push_back(std::stoi(entry.path().filename().string()));
  EXPECT_LE(open.size(), 5u);  // the standard streams and the two pipes
  EXPECT_EQ(std::count(open.begin(), open.end(), unrelated), 0);
  EXPECT_EQ(awaitResult(checker), CheckResult::Refused);
}

TEST_F(PamCheckTest, TheChildEndsWithItsOwnerOrItsParent) {
  needSlowService();
  auto idle = std::make_unique<PasswordChecker>();
  start(*idle, "lumarel-test", "alice");
  const pid_t idleChild = idle->processId();
  idle.reset();
  EXPECT_EQ(kill(idleChild, 0), -1);  // ended and waited for

  auto busy = std::make_unique<PasswordChecker>();
  start(*busy, "lumarel-slow", "dave");
  fill(password, "wrong");
  ASSERT_TRUE(busy->submit(password));
  const auto before = Clock::now();
  busy.reset();
  EXPECT_LT(Clock::now() - before, 500ms);

  // A parent that ends without its destructor: the orphan comes to us.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t parent = fork();
  ASSERT_GE(parent, 0);
  if (parent == 0) {
    PasswordChecker checker;
    std::string problem;
    pid_t child = checker.start("lumarel-test", "alice", problem) ? checker.processId() : -1;
    write(report[1], &child, sizeof child);
    _exit(0);
  }
  close(report[1]);
  pid_t orphan = -1;
  ASSERT_EQ(read(report[0], &orphan, sizeof orphan), static_cast<ssize_t>(sizeof orphan));
  close(report[0]);
  waitpid(parent, nullptr, 0);
  ASSERT_GT(orphan, 0);
  const auto deadline = Clock::now() + 5s;
  pid_t ended = 0;
  while (ended == 0 && Clock::now() < deadline) {
    ended = waitpid(orphan, nullptr, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(20ms);
  }
  if (ended == 0) {
    kill(orphan, SIGKILL);
    waitpid(orphan, nullptr, 0);
  }
  prctl(PR_SET_CHILD_SUBREAPER, 0);
  EXPECT_EQ(ended, orphan) << "the checking process outlived its parent";
}

// Without CAP_IPC_LOCK and with no locked memory allowed, in a process of
// its own: the exit status says what start did.
int startWithoutLockedMemory() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct capabilities[2]{};
  if (syscall(SYS_capget, &header, capabilities) != 0) return 10;
  capabilities[CAP_IPC_LOCK / 32].effective &= ~(1u << (CAP_IPC_LOCK % 32));
  capabilities[CAP_IPC_LOCK / 32].permitted &= ~(1u << (CAP_IPC_LOCK % 32));
  if (syscall(SYS_capset, &header, capabilities) != 0) return 11;
  const rlimit none{0, 0};
  if (setrlimit(RLIMIT_MEMLOCK, &none) != 0) return 12;
  if (SecretBuffer().locked()) return 13;
  PasswordChecker checker;
  std::string problem;
  if (checker.start("lumarel-test", "alice", problem)) return 14;
  return problem.find("could not be locked") == std::string::npos ? 15 : 0;
}

TEST_F(PamCheckTest, StartRefusesWhatItCannotUse) {
  PasswordChecker checker;
  std::string problem;
  EXPECT_FALSE(checker.start("lumarel-test", "", problem));
  EXPECT_NE(problem, "");
  problem.clear();
  EXPECT_FALSE(checker.start("../lumarel-test", "alice", problem));
  EXPECT_NE(problem.find("../lumarel-test"), std::string::npos) << problem;
  start(checker, "lumarel-test", "alice");
  EXPECT_FALSE(checker.start("lumarel-test", "alice", problem));

  const pid_t helper = fork();
  ASSERT_GE(helper, 0);
  if (helper == 0) _exit(startWithoutLockedMemory());
  int status = 0;
  ASSERT_EQ(waitpid(helper, &status, 0), helper);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(PamCheckTest, ServiceFilesAreLookedForWherePamLooks) {
  const std::string folder = std::getenv("PAM_WRAPPER_SERVICE_DIR");
  EXPECT_EQ(pamServiceProblem("lumarel-test"), "");
  EXPECT_EQ(pamServiceProblem("lumarel-absent"), "the PAM service file " + folder +
                                                     "/lumarel-absent is missing: install it with the lines "
                                                     "'auth include login' and 'account include login'");
  for (const char* name : {"", ".", "..", "a/b"}) EXPECT_NE(pamServiceProblem(name), "") << name;
  unsetenv("PAM_WRAPPER_SERVICE_DIR");
  EXPECT_NE(pamServiceProblem("lumarel-test").find("/etc/pam.d/lumarel-test is missing"), std::string::npos);
  setenv("PAM_WRAPPER_SERVICE_DIR", folder.c_str(), 1);
}

}  // namespace
