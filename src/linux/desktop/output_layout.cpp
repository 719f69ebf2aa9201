#include "output_layout.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// Far-flung outputs would make a picture too big to hold: the box is
// capped, and what lies beyond it stays black.
constexpr int64_t largest = 1 << 15;

bool hasPixels(const ScaledOutput& output) {
  return output.logical.width > 0 && output.logical.height > 0 && output.scale120 > 0;
}

// One axis of the desktop: logical coordinates to device pixels from the
// box's edge, denser where denser outputs lie.
class Axis {
 public:
  // Spans: an output's start and length on this axis, and its scale.
  struct Span {
    int64_t start, length;
    int scale120;
  };

  explicit Axis(const std::vector<Span>& spans) {
    for (const Span& span : spans) {
      cuts_.push_back(span.start);
      cuts_.push_back(span.start + span.length);
    }
    std::sort(cuts_.begin(), cuts_.end());
    cuts_.erase(std::unique(cuts_.begin(), cuts_.end()), cuts_.end());
    int64_t device = 0;
    devices_.push_back(0);
    for (size_t i = 0; i + 1 < cuts_.size(); ++i) {
      int scale = 120;  // between outputs: nothing shows there
      for (const Span& span : spans)
        if (span.start <= cuts_[i] && span.start + span.length >= cuts_[i + 1]) scale = std::max(scale, span.scale120);
      device += ((cuts_[i + 1] - cuts_[i]) * scale + 119) / 120;
      devices_.push_back(device);
    }
  }

  int64_t first() const { return cuts_.empty() ? 0 : cuts_.front(); }
  int64_t deviceLength() const { return devices_.back(); }
  // The device position of a cut.
  int64_t deviceAt(int64_t logical) const {
    return devices_[std::lower_bound(cuts_.begin(), cuts_.end(), logical) - cuts_.begin()];
  }

 private:
  std::vector<int64_t> cuts_;
  std::vector<int64_t> devices_;
};

int capped(int64_t value) { return static_cast<int>(std::min(value, largest)); }

}  // namespace

int devicePixels(int logical, int scale120) {
  // Rounded half away from zero, as compositors size buffers.
  return static_cast<int>(std::min<int64_t>((int64_t{logical} * scale120 + 60) / 120, INT_MAX));
}

int logicalPixels(int device, int scale120) {
  if (scale120 <= 0) return device;
  const int64_t shifted = int64_t{device} * 120 + scale120 / 2;  // rounded down from there: halves go up
  const int64_t rounded = shifted / scale120 - (shifted % scale120 < 0);
  return static_cast<int>(std::clamp<int64_t>(rounded, INT_MIN, INT_MAX));
}

OutputLayout layOutOutputs(const std::vector<ScaledOutput>& outputs) {
  OutputLayout layout;
  std::vector<Axis::Span> across, down;
  for (const ScaledOutput& output : outputs) {
    if (!hasPixels(output)) continue;
    across.push_back({output.logical.x, output.logical.width, output.scale120});
    down.push_back({output.logical.y, output.logical.height, output.scale120});
  }
  if (across.empty()) {
    layout.parts.resize(outputs.size());
    return layout;
  }
  const Axis x(across), y(down);
  layout.box = Area{static_cast<int>(x.first()), static_cast<int>(y.first()), capped(x.deviceLength()),
                    capped(y.deviceLength())};
  for (const ScaledOutput& output : outputs) {
    if (!hasPixels(output)) {
      layout.parts.push_back(Area{});
      continue;
    }
    layout.parts.push_back(Area{capped(x.deviceAt(output.logical.x)), capped(y.deviceAt(output.logical.y)),
                                devicePixels(output.logical.width, output.scale120),
                                devicePixels(output.logical.height, output.scale120)});
  }
  return layout;
}

POINT PointerTrack::cursorAt(POINT position) {
  if (!seen_) {
    seen_ = true;
    first_ = position;
  }
  return POINT{static_cast<LONG>(start_.x + (static_cast<long long>(position.x) - first_.x)),
               static_cast<LONG>(start_.y + (static_cast<long long>(position.y) - first_.y))};
}

Area logicalCover(const Area& rect, const Area& buffer, SIZE logical) {
  if (buffer.width <= 0 || buffer.height <= 0) return Area{};
  const auto down = [](long long value, long long by, long long over) { return static_cast<int>(value * by / over); };
  const auto up = [](long long value, long long by, long long over) {
    return static_cast<int>((value * by + over - 1) / over);
  };
  const int left = down(rect.x, logical.cx, buffer.width), top = down(rect.y, logical.cy, buffer.height);
  return Area{left, top, up(rect.x + rect.width, logical.cx, buffer.width) - left,
              up(rect.y + rect.height, logical.cy, buffer.height) - top};
}
