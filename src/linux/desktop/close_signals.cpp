#include "close_signals.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <vector>

namespace closeSignals {
namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

struct Handler {
  const void* owner;
  void (*call)(void*);
  void* data;
};

std::vector<Handler>& handlers() {
  static std::vector<Handler> list;
  return list;
}

}  // namespace

void install() {
  if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

int descriptor() { return signalPipe[0]; }

void onArrival(const void* owner, void (*handler)(void* data), void* data) {
  forget(owner);
  handlers().push_back(Handler{owner, handler, data});
}

void forget(const void* owner) {
  std::erase_if(handlers(), [&](const Handler& handler) { return handler.owner == owner; });
}

void dispatch() {
  char drained[16];
  bool arrived = false;
  while (signalPipe[0] >= 0 && read(signalPipe[0], drained, sizeof drained) > 0) arrived = true;
  if (!arrived) return;
  // A copy: a handler may end what registered another.
  const std::vector<Handler> current = handlers();
  for (const Handler& handler : current) handler.call(handler.data);
}

void watchInMainContext() {
  static bool watching = false;
  if (watching || signalPipe[0] < 0) return;
  watching = true;
  g_unix_fd_add(
      signalPipe[0], G_IO_IN,
      +[](gint, GIOCondition, gpointer) -> gboolean {
        dispatch();
        return G_SOURCE_CONTINUE;
      },
      nullptr);
}

}  // namespace closeSignals
