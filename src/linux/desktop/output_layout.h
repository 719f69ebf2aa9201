// Where the outputs of a desktop lie in the one picture that spans them,
// and the pointer as the saver measures it.
#pragma once

#include <vector>

#include "platform/win32.h"

struct Area {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Area&) const = default;
};

// An output as the compositor places it: its area in the desktop's logical
// coordinates, and how many device pixels it has for each logical one (in
// 120ths, as compositors give fractional scales).
struct ScaledOutput {
  ScaledOutput(Area logical, int scale120 = 120) : logical(logical), scale120(scale120) {}
  Area logical;
  int scale120;
};

// The size in device pixels of a logical length at a scale, and back, each
// rounded to the nearest.
int devicePixels(int logical, int scale120);
int logicalPixels(int device, int scale120);

// The outputs in one picture of device pixels: the box around them all
// (its position in the desktop's logical coordinates, its size in device
// pixels) and each output's part of it, as large as the output's device
// pixels (in the box's coordinates, so that the picture's top-left pixel is
// (0, 0)). Outputs without pixels get an empty part.
//
// Each axis of the desktop is cut at the outputs' edges, and each piece
// gets as many device pixels as the densest output over it needs: outputs
// that touch still touch where their scales agree, and none overlap.
struct OutputLayout {
  Area box;
  std::vector<Area> parts;
};
OutputLayout layOutOutputs(const std::vector<ScaledOutput>& outputs);

// The logical pixels of a surface of `logical` size that a rectangle of its
// buffer (of buffer.width x buffer.height device pixels) touches: for
// compositors that take damage in logical pixels only, rounded outwards so
// that every changed pixel is redrawn.
Area logicalCover(const Area& rect, const Area& buffer, SIZE logical);

// A compositor tells a client where the pointer is only while it is over
// the client's surfaces. The first position seen stands for the position
// that the cursor had when the saver started; later positions move the
// cursor by as much as the pointer moved since.
class PointerTrack {
 public:
  explicit PointerTrack(POINT start) : start_(start) {}
  POINT cursorAt(POINT position);

 private:
  POINT start_;
  POINT first_{0, 0};
  bool seen_ = false;
};
