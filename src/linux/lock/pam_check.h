// The lock screen's password check: PAM runs in a child process forked once,
// before any thread starts, so that a slow stack (a delay after a failure)
// never stops the picture, and the password crosses to it only over a pipe.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>

#include "secret_buffer.h"

// Failed: PAM or the checker broke; never a success.
enum class CheckResult { Accepted, Refused, Failed };

// The longest password the checker takes, in bytes.
constexpr size_t passwordLimit = 4096;

// Empty when PAM finds a file for the service (/etc/pam.d/NAME or
// /usr/lib/pam.d/NAME; under pam_wrapper, $PAM_WRAPPER_SERVICE_DIR/NAME),
// else one sentence naming the missing file and what to put there (an
// account stack too: without one, and without PAM's "other" service,
// pam_acct_mgmt refuses everyone).
std::string pamServiceProblem(const std::string& service);

class PasswordChecker {
 public:
  PasswordChecker() = default;
  PasswordChecker(const PasswordChecker&) = delete;
  PasswordChecker& operator=(const PasswordChecker&) = delete;
  // Closes the pipes and waits for the child (killed first when a check
  // runs, whose answer nobody wants).
  ~PasswordChecker();

  // Forks the checking process; call it before any thread starts. False,
  // with one sentence in problem, when the arguments are unusable, the
  // child's password memory cannot be locked or PAM does not start for the
  // service and user. Makes this process non-dumpable.
  bool start(const std::string& service, const std::string& user, std::string& problem);
  // Whether a check runs.
  bool busy() const { return busy_; }
  // Hands the password to the child. False, and nothing sent, while a check
  // runs, when the process is gone or when the password is longer than
  // passwordLimit.
  bool submit(const SecretBuffer& password);
  // Readable when the running check has its result or the child died; -1
  // once the process is gone (stop watching it then).
  int descriptor() const { return answers_; }
  // The running check's result once it has come, without blocking; a child
  // that died or answered nonsense reads Failed, and is not used again.
  std::optional<CheckResult> collect();
  // The child's process id, -1 when there is none.
  pid_t processId() const { return child_; }

 private:
  // Closes the pipes and waits for the child, killed first where asked.
  void stop(bool kill);

  pid_t child_ = -1;
  int requests_ = -1;
  int answers_ = -1;
  bool busy_ = false;
};
