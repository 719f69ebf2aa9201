// The machine's power events as the system would broadcast them to the
// saver's windows: a resume from suspend, and a change of the mains supply.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win32.h"

// What the watch reads of the machine: the mains supply (an ACLineStatus
// value), and how long the machine has been suspended since it booted.
struct PowerReadings {
  std::function<uint8_t()> mains;
  std::function<int64_t()> millisecondsSuspended;
};
PowerReadings systemPowerReadings();

class PowerWatch {
 public:
  explicit PowerWatch(PowerReadings readings = systemPowerReadings());
  // When to look next, on the timer clock.
  uint64_t nextCheck() const { return next_; }
  // Looks at the power state when due, and hands each event since the last
  // look (a PBT_ code) to broadcast.
  void check(uint64_t now, const std::function<void(WPARAM event)>& broadcast);

 private:
  PowerReadings readings_;
  uint64_t next_ = 0;
  uint8_t mains_;
  int64_t slept_;  // time the machine spent suspended, so far
};
