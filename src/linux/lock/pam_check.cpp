#include "pam_check.h"

#include <fcntl.h>
#include <security/pam_appl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// What the child writes back: one byte a message.
constexpr char readyAnswer = 'R';
constexpr char problemAnswer = 'P';
constexpr char acceptedAnswer = 'A';
constexpr char refusedAnswer = 'N';
constexpr char failedAnswer = 'F';

bool writeAll(int descriptor, const void* bytes, size_t count) {
  const auto* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t written = write(descriptor, next, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    next += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

bool readAll(int descriptor, void* bytes, size_t count) {
  auto* next = static_cast<char*>(bytes);
  while (count > 0) {
    const ssize_t got = read(descriptor, next, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    next += got;
    count -= static_cast<size_t>(got);
  }
  return true;
}

void closeDescriptor(int& descriptor) {
  if (descriptor >= 0) close(descriptor);
  descriptor = -1;
}

// --- The child's side ---

// PAM frees what the conversation returns: these copies are malloc'd, and
// wiped before they are freed when the conversation gives up.
void dropResponses(pam_response* responses, int count) {
  if (responses == nullptr) return;
  for (int i = 0; i < count; ++i) {
    if (responses[i].resp == nullptr) continue;
    explicit_bzero(responses[i].resp, std::strlen(responses[i].resp));
    std::free(responses[i].resp);
  }
  std::free(responses);
}

char* copyPassword(const SecretBuffer& password) {
  auto* copy = static_cast<char*>(std::malloc(password.size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, password.data(), password.size());
  copy[password.size()] = '\0';
  return copy;
}

// Answers the hidden prompts with the password; a prompt that shows what is
// typed (a second factor, a user name) cannot be answered from a password.
// Messages are not shown, and some modules pass no room for answers with
// them.
int converse(int count, const pam_message** messages, pam_response** responses, void* data) {
  if (responses != nullptr) *responses = nullptr;
  if (count <= 0 || count > PAM_MAX_NUM_MSG || messages == nullptr) return PAM_CONV_ERR;
  pam_response* answers = nullptr;
  if (responses != nullptr) {
    answers = static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (answers == nullptr) return PAM_BUF_ERR;
  }
  for (int i = 0; i < count; ++i) {
    const int style = messages[i]->msg_style;
    if (style == PAM_ERROR_MSG || style == PAM_TEXT_INFO) continue;
    const bool answerable = style == PAM_PROMPT_ECHO_OFF && answers != nullptr && data != nullptr;
    if (answerable) answers[i].resp = copyPassword(*static_cast<const SecretBuffer*>(data));
    if (!answerable || answers[i].resp == nullptr) {
      dropResponses(answers, count);
      return answerable ? PAM_BUF_ERR : PAM_CONV_ERR;
    }
  }
  if (responses != nullptr) *responses = answers;
  return PAM_SUCCESS;
}

// The answers that say the password or the account was turned down; any
// other error is the stack failing, which never counts as either.
CheckResult refusalOrFailure(int status) {
  switch (status) {
    case PAM_AUTH_ERR:
    case PAM_USER_UNKNOWN:
    case PAM_MAXTRIES:
    case PAM_PERM_DENIED:
    case PAM_ACCT_EXPIRED:
    case PAM_CRED_INSUFFICIENT:
      return CheckResult::Refused;
    default:
      return CheckResult::Failed;
  }
}

// Names the session's display as the tty, as graphical logins do (modules
// that log or match on it then see a local seat); no remote host is set:
// the one typing sits at this machine.
int describeSession(pam_handle_t* handle) {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || *display == '\0') return PAM_SUCCESS;
  return pam_set_item(handle, PAM_TTY, display);
}

CheckResult checkPassword(const std::string& service, const std::string& user, SecretBuffer& password) {
  // No user's password holds a NUL, and PAM would see only what precedes it.
  if (std::memchr(password.data(), '\0', password.size()) != nullptr) return CheckResult::Refused;
  const pam_conv conversation{converse, &password};
  pam_handle_t* handle = nullptr;
  int status = pam_start(service.c_str(), user.c_str(), &conversation, &handle);
  if (status != PAM_SUCCESS) {
    if (handle != nullptr) pam_end(handle, status);
    return CheckResult::Failed;
  }
  status = describeSession(handle);
  if (status == PAM_SUCCESS) status = pam_authenticate(handle, PAM_SILENT);
  if (status == PAM_SUCCESS) {
    status = pam_acct_mgmt(handle, PAM_SILENT);
    // The user proved who they are; an expired password must not lock them out.
    if (status == PAM_NEW_AUTHTOK_REQD) status = PAM_SUCCESS;
  }
  if (status == PAM_SUCCESS) pam_setcred(handle, PAM_REFRESH_CRED | PAM_SILENT);
  pam_end(handle, status);
  return status == PAM_SUCCESS ? CheckResult::Accepted : refusalOrFailure(status);
}

void closeRange(unsigned first, unsigned last) {
  if (first <= last) close_range(first, last, 0);
}

// Keeps the standard streams and the two pipe ends; whatever else the
// parent had open (its display connection, its files) is not the child's.
void closeOtherDescriptors(int requests, int answers) {
  const auto low = static_cast<unsigned>(std::min(requests, answers));
  const auto high = static_cast<unsigned>(std::max(requests, answers));
  closeRange(3, low - 1);
  closeRange(low + 1, high - 1);
  closeRange(high + 1, ~0U);
}

// The parent's handlers write to descriptors the child has closed.
void resetSignals() {
  for (int number = 1; number < NSIG; ++number) signal(number, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

void reportProblem(int answers, const std::string& problem) {
  const auto length = static_cast<uint16_t>(std::min<size_t>(problem.size(), UINT16_MAX));
  if (writeAll(answers, &problemAnswer, 1) && writeAll(answers, &length, sizeof length))
    writeAll(answers, problem.data(), length);
}

[[noreturn]] void runChecker(const std::string& service, const std::string& user, pid_t parent, int requests,
                             int answers) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(0);
  prctl(PR_SET_DUMPABLE, 0);
  resetSignals();
  closeOtherDescriptors(requests, answers);
  // mlock does not cross fork: the child's buffer is locked on its own.
  SecretBuffer password(passwordLimit);
  if (!password.locked()) {
    reportProblem(answers, "the memory for the password could not be locked (mlock: raise the limit on locked memory)");
    _exit(1);
  }
  pam_handle_t* handle = nullptr;
  const pam_conv conversation{converse, nullptr};
  const int status = pam_start(service.c_str(), user.c_str(), &conversation, &handle);
  if (status != PAM_SUCCESS) {
    reportProblem(answers, "PAM does not start for the service " + service + " and the user " + user + ": " +
                               pam_strerror(handle, status));
    _exit(1);
  }
  pam_end(handle, PAM_SUCCESS);
  if (!writeAll(answers, &readyAnswer, 1)) _exit(1);
  // _exit, not exit: the parent's exit handlers (and its libraries'
  // destructors) are not the child's to run.
  for (;;) {
    uint32_t length = 0;
    if (!readAll(requests, &length, sizeof length)) _exit(0);
    if (length > passwordLimit || !password.readFrom(requests, length)) _exit(1);
    const CheckResult result = checkPassword(service, user, password);
    password.clear();
    const char answer = result == CheckResult::Accepted  ? acceptedAnswer
                        : result == CheckResult::Refused ? refusedAnswer
                                                         : failedAnswer;
    if (!writeAll(answers, &answer, 1)) _exit(0);
  }
}

// --- The parent's side ---

// A child that died leaves the pipe without a reader: the write fails with
// EPIPE, and the SIGPIPE it raises (which would end this process) is taken
// back.
bool sendPassword(int requests, const SecretBuffer& password) {
  sigset_t pipeSignal;
  sigset_t previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  const auto length = static_cast<uint32_t>(password.size());
  const bool sent = writeAll(requests, &length, sizeof length) && writeAll(requests, password.data(), length);
  if (!sent && errno == EPIPE) {
    const timespec now{};
    sigtimedwait(&pipeSignal, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return sent;
}

std::optional<CheckResult> decodeAnswer(char answer) {
  switch (answer) {
    case acceptedAnswer:
      return CheckResult::Accepted;
    case refusedAnswer:
      return CheckResult::Refused;
    case failedAnswer:
      return CheckResult::Failed;
    default:
      return std::nullopt;
  }
}

// What the child says once it is ready, or why it is not.
bool awaitReady(int answers, std::string& problem) {
  char first = 0;
  if (!readAll(answers, &first, 1)) {
    problem = "the password checking process ended before it was ready";
    return false;
  }
  if (first == readyAnswer) return true;
  uint16_t length = 0;
  problem.clear();
  if (first == problemAnswer && readAll(answers, &length, sizeof length)) {
    problem.resize(length);
    if (!readAll(answers, problem.data(), length)) problem.clear();
  }
  if (problem.empty()) problem = "the password checking process did not start properly";
  return false;
}

bool validServiceName(const std::string& service) {
  return !service.empty() && service != "." && service != ".." && service.find('/') == std::string::npos;
}

}  // namespace

std::string pamServiceProblem(const std::string& service) {
  if (!validServiceName(service)) return "'" + service + "' cannot name a PAM service: it must be a file name";
  std::vector<std::filesystem::path> folders{"/etc/pam.d", "/usr/lib/pam.d"};
  if (const char* wrapped = std::getenv("PAM_WRAPPER_SERVICE_DIR"); wrapped != nullptr && *wrapped != '\0')
    folders = {wrapped};
  for (const auto& folder : folders) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / service, error)) return {};
  }
  return "the PAM service file " + (folders.front() / service).string() +
         " is missing: install it with the lines 'auth include login' and 'account include login'";
}

// Without its pipe an idle child ends by itself; one in the middle of a
// check (perhaps in a delay after a failure) is not waited for.
PasswordChecker::~PasswordChecker() { stop(busy_); }

bool PasswordChecker::start(const std::string& service, const std::string& user, std::string& problem) {
  if (child_ >= 0) {
    problem = "the password checking process is running already";
    return false;
  }
  if (!validServiceName(service)) {
    problem = pamServiceProblem(service);
    return false;
  }
  if (user.empty()) {
    problem = "no user is named for the password check";
    return false;
  }
  if (prctl(PR_SET_DUMPABLE, 0) != 0) {
    problem = std::string("this process cannot be made non-dumpable: ") + std::strerror(errno);
    return false;
  }
  int requestPipe[2];
  int answerPipe[2];
  if (pipe2(requestPipe, O_CLOEXEC) != 0) {
    problem = std::string("no pipe for the password check: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(answerPipe, O_CLOEXEC) != 0) {
    problem = std::string("no pipe for the password check: ") + std::strerror(errno);
    close(requestPipe[0]);
    close(requestPipe[1]);
    return false;
  }
  const pid_t parent = getpid();
  child_ = fork();
  if (child_ == 0) runChecker(service, user, parent, requestPipe[0], answerPipe[1]);
  close(requestPipe[0]);
  close(answerPipe[1]);
  requests_ = requestPipe[1];
  answers_ = answerPipe[0];
  if (child_ < 0) {
    problem = std::string("the password checking process cannot be started: ") + std::strerror(errno);
    stop(false);
    return false;
  }
  if (!awaitReady(answers_, problem)) {
    stop(true);
    return false;
  }
  fcntl(answers_, F_SETFL, fcntl(answers_, F_GETFL) | O_NONBLOCK);
  return true;
}

bool PasswordChecker::submit(const SecretBuffer& password) {
  if (requests_ < 0 || busy_ || password.size() > passwordLimit) return false;
  if (!sendPassword(requests_, password)) {
    stop(true);
    return false;
  }
  busy_ = true;
  return true;
}

std::optional<CheckResult> PasswordChecker::collect() {
  if (answers_ < 0) return std::nullopt;
  char answer = 0;
  const ssize_t got = read(answers_, &answer, 1);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return std::nullopt;
  const bool asked = busy_;
  busy_ = false;
  const auto result = got == 1 && asked ? decodeAnswer(answer) : std::nullopt;
  // Died, or spoke out of turn: it is not trusted with another password.
  if (!result) stop(true);
  if (!asked) return std::nullopt;
  return result.value_or(CheckResult::Failed);
}

void PasswordChecker::stop(bool kill) {
  closeDescriptor(requests_);
  closeDescriptor(answers_);
  if (child_ > 0) {
    if (kill) ::kill(child_, SIGKILL);
    while (waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  child_ = -1;
  busy_ = false;
}
