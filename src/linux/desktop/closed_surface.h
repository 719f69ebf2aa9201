// A full-screen surface that the compositor closed ends the saver only after
// a moment: unplugging an output closes its surface first and takes the
// output out of the layout a little later, and that must not end the saver.
#pragma once

#include <cstdint>
#include <optional>

class ClosedSurface {
 public:
  static constexpr uint64_t grace = 500;  // milliseconds

  // The compositor closed the surface (at now, on the timer clock); a
  // second close keeps the first time.
  void close(uint64_t now) {
    if (!closedAt_) closedAt_ = now;
  }
  bool closed() const { return closedAt_.has_value(); }
  // When the grace ends; never while the surface is open.
  uint64_t deadline() const { return closedAt_ ? *closedAt_ + grace : UINT64_MAX; }
  // Whether the grace is over and the output is still there: the saver ends.
  bool graceOver(uint64_t now) const { return closedAt_ && now >= deadline(); }

 private:
  std::optional<uint64_t> closedAt_;
};
