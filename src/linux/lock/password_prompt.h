// The lock screen's password prompt as state: which keys type, remove, clear
// or ask for a check, and when it hides. The front end feeds it key presses
// and draws what it says; the typed password lives only in its SecretBuffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "secret_buffer.h"

struct PromptKey {
  uint32_t keysym;        // xkbcommon's keysym
  std::string_view text;  // the UTF-8 the key produces with the current modifiers; empty for none
  bool control;           // Ctrl is held
};

class PasswordPrompt {
 public:
  enum class Status { Hidden, Typing, Checking, Wrong };

  // How long the prompt stays without a key before it hides and forgets.
  static constexpr uint64_t idleTimeout = 10'000;

  explicit PasswordPrompt(size_t capacity = 512) : typed_(capacity) {}

  // A key pressed at now (milliseconds): true when the typed password is to
  // be checked now.
  bool key(const PromptKey& key, uint64_t now);
  // The check runs: keys are dropped until it ends.
  void checkStarted();
  // Either way the typed text is wiped; a refusal says so until the next key.
  void checkEnded(bool accepted, uint64_t now);
  // Hides and clears after idleTimeout without a key (not while checking).
  void tick(uint64_t now);
  // When tick next has something to do; UINT64_MAX for never.
  uint64_t deadline() const;

  Status status() const { return status_; }
  size_t marks() const { return typed_.characters(); }
  const SecretBuffer& typed() const { return typed_; }
  // Whether the look changed since last asked; asking resets it.
  bool changed();

 private:
  void show(Status status);
  void clear();

  SecretBuffer typed_;
  Status status_ = Status::Hidden;
  uint64_t lastKey_ = 0;
  bool changed_ = false;
};
