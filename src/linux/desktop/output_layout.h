// Where the outputs of a desktop lie in the one picture that spans them,
// and the pointer as the saver measures it.
#pragma once

#include <vector>

#include "platform/win32.h"

struct Area {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Area&) const = default;
};

// The outputs' logical layout: the box around them all (in the desktop's
// coordinates) and each output's part of it (in the box's coordinates, so
// that the picture's top-left pixel is (0, 0)). Outputs without pixels get
// an empty part.
struct OutputLayout {
  Area box;
  std::vector<Area> parts;
};
OutputLayout layOutOutputs(const std::vector<Area>& outputs);

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
