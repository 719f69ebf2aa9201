#include "output_layout.h"

#include <algorithm>
#include <climits>

OutputLayout layOutOutputs(const std::vector<Area>& outputs) {
  OutputLayout layout;
  long left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;
  for (const Area& output : outputs) {
    if (output.width <= 0 || output.height <= 0) continue;
    left = std::min<long>(left, output.x);
    top = std::min<long>(top, output.y);
    right = std::max<long>(right, static_cast<long>(output.x) + output.width);
    bottom = std::max<long>(bottom, static_cast<long>(output.y) + output.height);
  }
  if (left > right) {
    layout.parts.resize(outputs.size());
    return layout;
  }
  // Far-flung outputs would make a picture too big to hold: the box is
  // capped, and what lies beyond it stays black.
  constexpr long largest = 1 << 15;
  layout.box = Area{static_cast<int>(left), static_cast<int>(top), static_cast<int>(std::min(right - left, largest)),
                    static_cast<int>(std::min(bottom - top, largest))};
  for (const Area& output : outputs) {
    if (output.width <= 0 || output.height <= 0) {
      layout.parts.push_back(Area{});
      continue;
    }
    layout.parts.push_back(Area{static_cast<int>(std::min(output.x - left, largest)),
                                static_cast<int>(std::min(output.y - top, largest)), output.width, output.height});
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
