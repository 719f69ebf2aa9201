// The password check against pam_matrix under pam_wrapper, which ctest sets
// up (tests/CMakeLists.txt writes the services and users: alice on
// lumarel-test, bob allowed only elsewhere, carol on lumarel-echo, dave on
// lumarel-slow, which waits 1.5 s after a failure, erin on lumarel-expired,
// whose account module says that her password has expired).

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

void PrintTo(CheckResult result, std::ostream* out) {
  *out << (result == CheckResult::Accepted ? "Accepted" : result == CheckResult::Refused ? "Refused" : "Failed");
}

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::string_view alicePassword = "correct horse \u2713 \u00e9";

// Polls the descriptor as the lock screen's loop does.
std::optional<CheckResult> awaitResult(PasswordChecker& checker) {
  for (const auto deadline = Clock::now() + 10s; Clock::now() < deadline && checker.descriptor() >= 0;) {
    pollfd watch{checker.descriptor(), POLLIN, 0};
    poll(&watch, 1, 100);
    if (auto result = checker.collect()) return result;
  }
  return std::nullopt;
}

// Ends a process of ours within the time, or kills it: whether it ended.
bool endsWithin(pid_t process, std::chrono::milliseconds limit) {
  for (const auto deadline = Clock::now() + limit; Clock::now() < deadline; std::this_thread::sleep_for(10ms))
    if (waitpid(process, nullptr, WNOHANG) == process) return true;
  kill(process, SIGKILL);
  waitpid(process, nullptr, 0);
  return false;
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
  }
  bool submit(PasswordChecker& checker, std::string_view text) {
    password.clear();
    return password.append(text.data(), text.size()) && checker.submit(password);
  }
  std::optional<CheckResult> check(const std::string& service, const std::string& user, std::string_view text) {
    PasswordChecker checker;
    start(checker, service, user);
    return submit(checker, text) ? awaitResult(checker) : std::nullopt;
  }
  void needSlowService() {
    if (!pamServiceProblem("lumarel-slow").empty()) GTEST_SKIP() << "pam_faildelay.so is not installed";
  }

  SecretBuffer password{passwordLimit + 1};
};

TEST_F(PamCheckTest, OnlyTheRightPasswordOfAnAllowedAccountIsAccepted) {
  EXPECT_EQ(check("lumarel-test", "alice", alicePassword), CheckResult::Accepted);
  EXPECT_EQ(check("lumarel-test", "alice", "correct horse"), CheckResult::Refused);
  EXPECT_EQ(check("lumarel-test", "alice", ""), CheckResult::Refused);
  EXPECT_EQ(check("lumarel-test", "alice", std::string(alicePassword) + '\0'), CheckResult::Refused);
  // Bob's password is right, but his account is not allowed this service.
  EXPECT_EQ(check("lumarel-test", "bob", "hunter2"), CheckResult::Refused);
  // A module that does not load, one without its user list, and a prompt
  // that echoes, which a password cannot answer.
  EXPECT_EQ(check("lumarel-missing-module", "alice", alicePassword), CheckResult::Failed);
  EXPECT_EQ(check("lumarel-no-passdb", "alice", alicePassword), CheckResult::Failed);
  EXPECT_EQ(check("lumarel-echo", "carol", "secret"), CheckResult::Failed);
}

TEST_F(PamCheckTest, OneProcessChecksTryAfterTry) {
  PasswordChecker checker;
  start(checker, "lumarel-test", "alice");
  for (const std::string_view attempt : {std::string_view("wrong"), alicePassword, std::string_view("x")}) {
    ASSERT_TRUE(submit(checker, attempt));
    EXPECT_TRUE(checker.busy());
    EXPECT_EQ(awaitResult(checker), attempt == alicePassword ? CheckResult::Accepted : CheckResult::Refused);
    EXPECT_FALSE(checker.busy());
  }
  EXPECT_FALSE(submit(checker, std::string(passwordLimit + 1, 'a')));
  EXPECT_FALSE(checker.busy());
}

TEST_F(PamCheckTest, TriesDuringASlowCheckAreDroppedWithoutBlocking) {
  needSlowService();
  PasswordChecker checker;
  start(checker, "lumarel-slow", "dave");
  const auto before = Clock::now();
  ASSERT_TRUE(submit(checker, "wrong"));
  // No answer yet, rather than a wait for it: the check runs on its own.
  EXPECT_EQ(checker.collect(), std::nullopt);
  EXPECT_FALSE(submit(checker, "secret"));
  // The result is the first password's, not the dropped one's.
  EXPECT_EQ(awaitResult(checker), CheckResult::Refused);
  EXPECT_GE(Clock::now() - before, 1s);
  ASSERT_TRUE(submit(checker, "secret"));
  EXPECT_EQ(awaitResult(checker), CheckResult::Accepted);
}

TEST_F(PamCheckTest, AnExpiredPasswordStillUnlocksAndAWrongOneDoesNot) {
  EXPECT_EQ(check("lumarel-expired", "erin", "secret"), CheckResult::Accepted);
  EXPECT_EQ(check("lumarel-expired", "erin", "wrong"), CheckResult::Refused);
}

TEST_F(PamCheckTest, AChildKilledMidCheckReadsFailedAndTakesNoMore) {
  needSlowService();
  PasswordChecker checker;
  start(checker, "lumarel-slow", "dave");
  ASSERT_TRUE(submit(checker, "wrong"));
  ASSERT_EQ(kill(checker.processId(), SIGKILL), 0);
  EXPECT_EQ(awaitResult(checker), CheckResult::Failed);
  EXPECT_EQ(checker.descriptor(), -1);
  EXPECT_EQ(checker.processId(), -1);
  EXPECT_FALSE(submit(checker, "secret"));
  EXPECT_FALSE(checker.busy());
}

TEST_F(PamCheckTest, TheChildHoldsNeitherThePasswordInViewNorOurDescriptors) {
  needSlowService();
  const int unrelated = open("/dev/null", O_RDONLY);
  PasswordChecker checker;
  start(checker, "lumarel-slow", "dave");
  close(unrelated);
  EXPECT_EQ(prctl(PR_GET_DUMPABLE), 0);
  const std::string secret = "wrong but memorable";
  ASSERT_TRUE(submit(checker, secret));
  std::this_thread::sleep_for(200ms);  // inside PAM's delay now
  const std::string proc = "/proc/" + std::to_string(checker.processId());
  for (const char* file : {"/cmdline", "/environ"}) {
    std::ifstream stream(proc + file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(stream), {}};
    EXPECT_NE(text, "") << file;
    EXPECT_EQ(text.find(secret), std::string::npos) << file;
  }
  std::vector<std::string> open;
  for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd")) open.push_back(entry.path().filename());
  EXPECT_LE(open.size(), 5u);  // the standard streams and the two pipes
  EXPECT_EQ(std::count(open.begin(), open.end(), std::to_string(unrelated)), 0);
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
  ASSERT_TRUE(submit(*busy, "wrong"));
  const auto before = Clock::now();
  busy.reset();
  EXPECT_LT(Clock::now() - before, 1s);  // the service waits 1.5 s after a failure

  // A parent that dies in the middle of a check: the orphan, which comes to
  // us, ends at once, not after the delay.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t parent = fork();
  if (parent == 0) {
    PasswordChecker checker;
    std::string problem;
    const pid_t child =
        checker.start("lumarel-slow", "dave", problem) && submit(checker, "x") ? checker.processId() : -1;
    _exit(write(report[1], &child, sizeof child) == sizeof child ? 0 : 1);
  }
  close(report[1]);
  pid_t orphan = -1;
  ASSERT_EQ(read(report[0], &orphan, sizeof orphan), static_cast<ssize_t>(sizeof orphan));
  close(report[0]);
  waitpid(parent, nullptr, 0);
  ASSERT_GT(orphan, 0);
  EXPECT_TRUE(endsWithin(orphan, 1s));
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST_F(PamCheckTest, StartRefusesWhatItCannotUse) {
  PasswordChecker checker;
  std::string problem;
  EXPECT_FALSE(checker.start("lumarel-test", "", problem));
  EXPECT_NE(problem, "");
  EXPECT_FALSE(checker.start("../lumarel-test", "alice", problem));
  EXPECT_NE(problem.find("../lumarel-test"), std::string::npos) << problem;
  start(checker, "lumarel-test", "alice");
  EXPECT_FALSE(checker.start("lumarel-test", "alice", problem));
}

// In a process of its own, without CAP_IPC_LOCK and with no locked memory
// allowed: its exit status says what start did.
int startWithoutLockedMemory() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct capabilities[2]{};
  syscall(SYS_capget, &header, capabilities);
  capabilities[CAP_IPC_LOCK / 32].effective &= ~(1u << (CAP_IPC_LOCK % 32));
  const rlimit none{0, 0};
  if (syscall(SYS_capset, &header, capabilities) != 0 || setrlimit(RLIMIT_MEMLOCK, &none) != 0) return 10;
  if (SecretBuffer().locked()) return 11;
  PasswordChecker checker;
  std::string problem;
  if (checker.start("lumarel-test", "alice", problem)) return 12;
  return problem.find("could not be locked") == std::string::npos ? 13 : 0;
}

TEST_F(PamCheckTest, StartRefusesMemoryThatCannotBeLocked) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer turns mlock into a no-op that reports success";
#endif
  const pid_t helper = fork();
  if (helper == 0) _exit(startWithoutLockedMemory());
  int status = -1;
  waitpid(helper, &status, 0);
  EXPECT_EQ(status, 0) << "exit status " << WEXITSTATUS(status);
}

TEST_F(PamCheckTest, ServiceFilesAreLookedForWherePamLooks) {
  const std::string folder = std::getenv("PAM_WRAPPER_SERVICE_DIR");
  EXPECT_EQ(pamServiceProblem("lumarel-test"), "");
  EXPECT_EQ(pamServiceProblem("lumarel-absent"),
            "the PAM service file " + folder +
                "/lumarel-absent is missing: install it with the lines 'auth include login' and 'account include "
                "login'");
  for (const char* name : {"", ".", "..", "a/b"}) EXPECT_NE(pamServiceProblem(name), "") << name;
  unsetenv("PAM_WRAPPER_SERVICE_DIR");
  EXPECT_NE(pamServiceProblem("lumarel-test").find("/etc/pam.d/lumarel-test is missing"), std::string::npos);
  setenv("PAM_WRAPPER_SERVICE_DIR", folder.c_str(), 1);
}

}  // namespace
