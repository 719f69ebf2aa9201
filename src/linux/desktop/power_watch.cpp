#include "power_watch.h"

#include <time.h>

#include <utility>

namespace {

// How often the mains supply and the suspend clock are looked at.
constexpr uint64_t checkPeriod = 2000;

}  // namespace

PowerReadings systemPowerReadings() {
  return PowerReadings{
      [] {
        SYSTEM_POWER_STATUS status;
        return GetSystemPowerStatus(&status) ? status.ACLineStatus : uint8_t{0xFF};
      },
      // The boot clock runs on while the machine is suspended, the
      // monotonic clock does not: their difference is the time spent asleep.
      [] {
        timespec boot{}, monotonic{};
        clock_gettime(CLOCK_BOOTTIME, &boot);
        clock_gettime(CLOCK_MONOTONIC, &monotonic);
        return int64_t{(boot.tv_sec - monotonic.tv_sec) * 1000 + (boot.tv_nsec - monotonic.tv_nsec) / 1000000};
      }};
}

PowerWatch::PowerWatch(PowerReadings readings)
    : readings_(std::move(readings)), mains_(readings_.mains()), slept_(readings_.millisecondsSuspended()) {}

void PowerWatch::check(uint64_t now, const std::function<void(WPARAM event)>& broadcast) {
  if (now < next_) return;
  next_ = now + checkPeriod;
  const uint8_t mains = readings_.mains();
  const int64_t slept = readings_.millisecondsSuspended();
  const bool resumed = slept - slept_ > 1000;
  const bool mainsChanged = mains != mains_;
  mains_ = mains;
  slept_ = slept;
  if (resumed) broadcast(PBT_APMRESUMESUSPEND);
  if (mainsChanged) broadcast(PBT_APMPOWERSTATUSCHANGE);
}
