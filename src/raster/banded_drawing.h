// Drawing on a large surface shared between threads: strokes are queued, and
// each thread draws all of them into its own band of rows. The strokes of a
// figure spread over the whole surface, so the bands share the work evenly,
// and each thread's stores stay within its part of the memory. The picture
// is exactly the one drawn stroke by stroke on one thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "canvas.h"
#include "line.h"
#include "painted_runs.h"

class BandedDrawing {
 public:
  // Draws on the framebuffer, which must outlive this.
  explicit BandedDrawing(Framebuffer& target);
  ~BandedDrawing();
  BandedDrawing(const BandedDrawing&) = delete;
  BandedDrawing& operator=(const BandedDrawing&) = delete;

  void fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);
  void arc(RasterPoint corner1, RasterPoint corner2, RasterPoint start, RasterPoint end, uint32_t colour);
  // Points in logical coordinates about the origin (see drawBezier).
  void bezier(const RasterPoint points[4], uint32_t colour, RasterPoint origin = {0, 0});

  // Draws what is queued: before anything reads the pixels.
  void finish();
  // Resizes the framebuffer (every pixel black), dropping what is queued.
  void resize(int width, int height);
  // At most this many threads from now on (at least one). Each band
  // flattens every curve again and the threads must meet before the pixels
  // are read, so threads cost processor time: worth it only where a
  // picture must be ready quickly, not for a few strokes a frame.
  void limitBands(int bands);

 private:
  enum class Kind : uint8_t { Fill, Arc, Bezier };
  struct Command {
    Kind kind;
    uint32_t colour;
    RasterPoint points[4];
    RasterPoint origin;  // of a curve
  };
  void add(const Command& command);
  static void drawCommand(const Command& command, const Canvas& band);
  void resetRuns();
  void drawQueue(int band);
  void helperLoop(int band, uint64_t seenRound);
  void divideIntoBands();
  void stopHelpers();

  Framebuffer& target_;
  int bandLimit_;
  std::vector<int> bandEdges_;  // band b: rows bandEdges_[b] to bandEdges_[b + 1] - 1
  std::vector<Command> queue_;
  // Per band: what it has painted in the current colour (see PaintedRuns).
  std::vector<PaintedRuns> runs_;

  std::vector<std::thread> helpers_;  // helper h draws band h + 1
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  uint64_t round_ = 0;  // counts the rounds of drawing handed to the helpers
  int helpersBusy_ = 0;
  bool stopping_ = false;
};
