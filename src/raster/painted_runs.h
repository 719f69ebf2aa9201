// What a band has painted since the pen's colour last changed, as runs of
// each row. The copies of a figure on a window far wider than high lay the
// same long flat strokes over each other a few pixels apart, thousands of
// times a tick: a run that is already painted in the same colour is not
// painted again, and the picture stays the same.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class PaintedRuns {
 public:
  // Shorter runs cost less to paint than to look up.
  static constexpr int64_t trackedRun = 32;

  // The rows top to bottom - 1 of a band; forgets everything.
  void resize(int top, int bottom) {
    top_ = top;
    rows_.assign(static_cast<size_t>(std::max(bottom - top, 0)), Row{});
    forget();
  }
  // Before each stroke: another colour, or anything else drawn, makes the
  // runs painted so far unknown.
  void begin(uint32_t colour) {
    if (colour != colour_) forget();
    colour_ = colour;
  }
  void forget() {
    ++epoch_;
    colour_ = noColour;
  }

  // Calls paint(first, last) for each part of columns first to last of row y
  // (in the band) that is not painted yet, and then counts them all painted.
  template <typename Paint>
  void paint(int64_t y, int64_t first, int64_t last, Paint&& paint);

 private:
  static constexpr uint32_t noColour = 0xFFFFFFFFu;  // pixels are 24-bit
  struct Row {
    uint64_t epoch = 0;
    std::vector<std::pair<int64_t, int64_t>> runs;  // first, last: sorted, apart
  };
  int top_ = 0;
  std::vector<Row> rows_;
  uint64_t epoch_ = 1;
  uint32_t colour_ = noColour;
};

template <typename Paint>
void PaintedRuns::paint(int64_t y, int64_t first, int64_t last, Paint&& paint) {
  Row& row = rows_[static_cast<size_t>(y - top_)];
  if (row.epoch != epoch_) {
    row.epoch = epoch_;
    row.runs.clear();
  }
  auto& runs = row.runs;
  // The runs that touch or overlap [first, last] merge with it.
  const auto touching =
      std::partition_point(runs.begin(), runs.end(), [&](const auto& run) { return run.second + 1 < first; });
  const size_t from = static_cast<size_t>(touching - runs.begin());
  size_t to = from;
  int64_t next = first;  // the first column not yet accounted for
  while (to < runs.size() && runs[to].first <= last + 1) {
    if (runs[to].first > next) paint(next, runs[to].first - 1);
    next = std::max(next, runs[to].second + 1);
    ++to;
  }
  if (next <= last) paint(next, last);
  const std::pair<int64_t, int64_t> merged{from < to ? std::min(first, runs[from].first) : first,
                                           from < to ? std::max(last, runs[to - 1].second) : last};
  if (from == to) {
    runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(from), merged);
  } else {
    runs[from] = merged;
    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(from) + 1, runs.begin() + static_cast<std::ptrdiff_t>(to));
  }
}
