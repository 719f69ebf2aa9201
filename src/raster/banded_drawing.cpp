#include "banded_drawing.h"

#include <algorithm>
#include <system_error>

#include "curves.h"

namespace {

// Enough strokes to keep the threads busy for a while, in little memory.
constexpr size_t queueLimit = 4096;
// A band shorter than this is not worth a thread.
constexpr int minimumBandRows = 256;
constexpr int maximumBands = 4;

// Band edges on tile rows of every tile shape that displays track, so that
// bands mark different tiles as changed.
constexpr int bandAlignment = 1 << std::max(copiedTiles.rowShift, compositedTiles.rowShift);

std::vector<int> bandEdgesFor(int height, int limit) {
  const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int bands = std::clamp(std::min(threads, height / minimumBandRows), 1, limit);
  std::vector<int> edges{0};
  for (int band = 1; band < bands; ++band) edges.push_back(height * band / bands / bandAlignment * bandAlignment);
  edges.push_back(height);
  return edges;
}

}  // namespace

BandedDrawing::BandedDrawing(Framebuffer& target) : target_(target), bandLimit_(maximumBands) { divideIntoBands(); }

BandedDrawing::~BandedDrawing() { stopHelpers(); }

void BandedDrawing::fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour) {
  add(Command{Kind::Fill, colour, {{left, top}, {right, bottom}, {}, {}}, {}});
}

void BandedDrawing::arc(RasterPoint corner1, RasterPoint corner2, RasterPoint start, RasterPoint end, uint32_t colour) {
  add(Command{Kind::Arc, colour, {corner1, corner2, start, end}, {}});
}

void BandedDrawing::bezier(const RasterPoint points[4], uint32_t colour, RasterPoint origin) {
  add(Command{Kind::Bezier, colour, {points[0], points[1], points[2], points[3]}, origin});
}

void BandedDrawing::add(const Command& command) {
  if (helpers_.empty()) {
    drawCommand(command, Canvas(target_, 0, target_.height(), &runs_[0]));
    return;
  }
  queue_.push_back(command);
  if (queue_.size() >= queueLimit) finish();
}

void BandedDrawing::drawCommand(const Command& command, const Canvas& band) {
  const RasterPoint* p = command.points;
  // A fill may paint any colour under the runs.
  if (command.kind == Kind::Fill) {
    band.paintedRuns()->forget();
  } else {
    band.paintedRuns()->begin(command.colour);
  }
  switch (command.kind) {
    case Kind::Fill:
      band.fill(p[0].x, p[0].y, p[1].x, p[1].y, command.colour);
      break;
    case Kind::Arc:
      drawArc(band, p[0], p[1], p[2], p[3], command.colour);
      break;
    case Kind::Bezier:
      drawBezier(band, p, command.colour, command.origin);
      break;
  }
}

void BandedDrawing::drawQueue(int band) {
  const Canvas canvas(target_, bandEdges_[band], bandEdges_[band + 1], &runs_[static_cast<size_t>(band)]);
  for (const Command& command : queue_) drawCommand(command, canvas);
}

void BandedDrawing::finish() {
  // Whoever reads the pixels may change them too.
  struct Forget {
    std::vector<PaintedRuns>& runs;
    ~Forget() {
      for (PaintedRuns& band : runs) band.forget();
    }
  } forget{runs_};
  if (queue_.empty()) return;
  {
    const std::lock_guard lock(mutex_);
    ++round_;
    helpersBusy_ = static_cast<int>(helpers_.size());
  }
  wake_.notify_all();
  drawQueue(0);
  {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return helpersBusy_ == 0; });
  }
  queue_.clear();
}

void BandedDrawing::resize(int width, int height) {
  queue_.clear();
  target_.resize(width, height);
  divideIntoBands();
}

void BandedDrawing::limitBands(int bands) {
  finish();
  bandLimit_ = std::clamp(bands, 1, maximumBands);
  divideIntoBands();
}

void BandedDrawing::divideIntoBands() {
  std::vector<int> edges = bandEdgesFor(target_.height(), bandLimit_);
  if (edges.size() == bandEdges_.size()) {
    bandEdges_ = std::move(edges);
    resetRuns();
    return;
  }
  stopHelpers();
  bandEdges_ = std::move(edges);
  try {
    for (int band = 1; band + 1 < static_cast<int>(bandEdges_.size()); ++band)
      helpers_.emplace_back([this, band, round = round_] { helperLoop(band, round); });
  } catch (const std::system_error&) {
    // No more threads to be had: one thread draws everything, as it is queued.
    stopHelpers();
    bandEdges_ = {0, target_.height()};
  }
  resetRuns();
}

void BandedDrawing::resetRuns() {
  runs_.resize(bandEdges_.size() - 1);
  for (size_t band = 0; band < runs_.size(); ++band) runs_[band].resize(bandEdges_[band], bandEdges_[band + 1]);
}

void BandedDrawing::helperLoop(int band, uint64_t seenRound) {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || round_ != seenRound; });
      if (stopping_) return;
      seenRound = round_;
    }
    drawQueue(band);
    {
      const std::lock_guard lock(mutex_);
      --helpersBusy_;
    }
    done_.notify_one();
  }
}

void BandedDrawing::stopHelpers() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
  helpers_.clear();
  stopping_ = false;
}
