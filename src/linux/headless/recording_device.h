// Writes what the saver draws as the drawing-call trace: one event a line.
#pragma once

#include <cstdio>

#include "platform/platform_control.h"

void writeTraceTick(std::FILE* out, uint64_t number);

class RecordingDevice : public platform::Device, public platform::GdiObserver {
 public:
  explicit RecordingDevice(std::FILE* out) : out_(out) {}

  void resize(int, int) override {}
  void fillRect(const RECT& rect, COLORREF color) override;
  void viewportOriginSet(int x, int y) override;
  void arc(const platform::DrawingState& state, int left, int top, int right, int bottom, int xStart, int yStart,
           int xEnd, int yEnd) override;
  void polyBezier(const platform::DrawingState& state, const POINT* points, int count) override;
  void penCreated(COLORREF color) override;

 private:
  std::FILE* out_;
};
