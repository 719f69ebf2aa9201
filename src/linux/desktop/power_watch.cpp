#include "power_watch.h"

#include <time.h>

namespace {

// How often the mains supply and the suspend clock are looked at.
constexpr uint64_t checkPeriod = 2000;

uint8_t mainsStatus() {
  SYSTEM_POWER_STATUS status;
  return GetSystemPowerStatus(&status) ? status.ACLineStatus : 0xFF;
}

// The boot clock runs on while the machine is suspended, the monotonic
// clock does not: their difference is the time spent asleep.
int64_t millisecondsSuspended() {
  timespec boot{}, monotonic{};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  clock_gettime(CLOCK_MONOTONIC, &monotonic);
  return (boot.tv_sec - monotonic.tv_sec) * 1000 + (boot.tv_nsec - monotonic.tv_nsec) / 1000000;
}

}  // namespace

PowerWatch::PowerWatch() : mains_(mainsStatus()), slept_(millisecondsSuspended()) {}

void PowerWatch::check(uint64_t now, const std::function<void(WPARAM event)>& broadcast) {
  if (now < next_) return;
  next_ = now + checkPeriod;
  const uint8_t mains = mainsStatus();
  const int64_t slept = millisecondsSuspended();
  const bool resumed = slept - slept_ > 1000;
  const bool mainsChanged = mains != mains_;
  mains_ = mains;
  slept_ = slept;
  if (resumed) broadcast(PBT_APMRESUMESUSPEND);
  if (mainsChanged) broadcast(PBT_APMPOWERSTATUSCHANGE);
}
