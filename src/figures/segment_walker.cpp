#include "segment_walker.h"

#include <algorithm>
#include <cstdlib>

#include "state/random.h"
#include "strokes.h"

namespace {

// The walker's ends drift by up to two pixels a stroke in each coordinate.
constexpr int32_t walkerSpeed = 2;
// In crayon style its origin shakes by J..3J, J being 1 to this.
constexpr int walkerJitterMost = 6;

}  // namespace

bool outsideHalfScreen(const EngineState& s, int32_t x, int32_t y) {
  return std::abs(x) > s.centreX || std::abs(y) > s.centreY;
}

void startDrift(EngineState& s, Segment& segment, Segment& velocity, const Segment& start, int32_t speed) {
  const SegmentDrift drift = figureRulesOf(s.drawingMode).drift;
  segment = start;
  if (drift == SegmentDrift::CommonStart) {
    segment.x2 = segment.x1;
    segment.y2 = segment.y1;
  }
  const int32_t span = 2 * speed + 1;
  velocity.x1 = drawRandom() % span - speed;
  velocity.y1 = drawRandom() % span - speed;
  velocity.x2 = drawRandom() % span - speed;
  velocity.y2 = drawRandom() % span - speed;
  if (drift == SegmentDrift::Rigid || drift == SegmentDrift::RigidArcs) {
    velocity.x2 = velocity.x1;
    velocity.y2 = velocity.y1;
    if (drift == SegmentDrift::RigidArcs) s.arcStrokes = true;
  }
}

void startSegment(EngineState& s, Segment& segment, Segment& velocity) {
  const int32_t reachX = usableDivisor(std::min(s.figureReachX, s.reachLimitX));
  const int32_t reachY = usableDivisor(std::min(s.figureReachY, s.reachLimitY));
  Segment start{};
  if (figureRulesOf(s.drawingMode).drift == SegmentDrift::FromLastEnd) {
    // Continues from the last segment's second end (C remainder: keeps its sign).
    start.x1 = segment.x2 % reachX;
    start.y1 = segment.y2 % reachY;
  } else {
    start.x1 = drawRandom() % reachX;
    start.y1 = drawRandom() % reachY;
  }
  start.x2 = drawRandom() % reachX;
  start.y2 = drawRandom() % reachY;
  startDrift(s, segment, velocity, start, walkerSpeed);
}

bool stepSegmentWalker(EngineState& s, HDC dc, bool newFigure) {
  Segment& segment = s.segment;
  if (newFigure) {
    startSegment(s, segment, s.segmentVelocity);
  } else {
    segment.x1 += s.segmentVelocity.x1;
    segment.y1 += s.segmentVelocity.y1;
    segment.x2 += s.segmentVelocity.x2;
    segment.y2 += s.segmentVelocity.y2;
  }
  if (outsideHalfScreen(s, segment.x1, segment.y1) || outsideHalfScreen(s, segment.x2, segment.y2)) return false;
  if (s.strokeStyle == StrokeStyle::Crayon) {
    // The walker shakes its origin right and down only, by J..3J.
    s.jitterAmplitude = static_cast<int16_t>(drawRandom() % walkerJitterMost + 1);
    const int span = 2 * s.jitterAmplitude + 1;
    s.jitterX = static_cast<int16_t>(s.jitterAmplitude + drawRandom() % span);
    s.jitterY = static_cast<int16_t>(s.jitterAmplitude + drawRandom() % span);
    s.jitterAmplitude = 0;
  }
  SetViewportOrgEx(dc, s.centreX + s.jitterX, s.centreY + s.jitterY, nullptr);
  SetROP2(dc, R2_COPYPEN);
  strokeMirroredPair(dc, segment.x1, segment.y1, segment.x2, segment.y2);
  strokeMirroredPair(dc, -segment.x2, segment.y2, -segment.x1, segment.y1);
  return true;
}
