#include "figure_routine.h"

#include <algorithm>
#include <cmath>

#include "segment_walker.h"
#include "state/random.h"
#include "strokes.h"

namespace {

// Angles to four places, as the arms have always been turned by: a right
// angle (the direction of a point at the origin), and a sixth and a third of a turn.
constexpr double rightAngle = 1.5708;
constexpr double sixthTurn = 1.0472;
constexpr double thirdTurn = 2.0944;
// The hexagonal lattice's row spacing as a share of the height: sqrt(3) / 2
// to four places, as a ratio for MulDiv.
constexpr int latticeRowNumerator = 8660;
constexpr int latticeRowDenominator = 10000;
// Lattice columns start left of the centre and go on to one and a half widths.
constexpr int latticeEndNumerator = 3;
constexpr int latticeEndDenominator = 2;

// Arm 0 of the set from a segment's ends.
void setArmZero(ArmSet& set, float x1, float y1, float x2, float y2) { set.arms[0] = {x1, y1, x2, y2}; }

// Each of the twelve values of steps = next - base.
void takeDifference(ArmSet& steps, const ArmSet& next, const ArmSet& base) {
  for (int arm = 0; arm < 3; ++arm)
    for (int i = 0; i < 4; ++i) steps.arms[arm][i] = next.arms[arm][i] - base.arms[arm][i];
}

void addSteps(ArmSet& set, const ArmSet& steps) {
  for (int arm = 0; arm < 3; ++arm)
    for (int i = 0; i < 4; ++i) set.arms[arm][i] += steps.arms[arm][i];
}

// A control point lies within a 64th of the reach limit of its segment's end.
constexpr int32_t controlSpread = 64;
// Control points drift by up to one pixel a stroke in each coordinate.
constexpr int32_t controlSpeed = 1;

int32_t controlCoordinate(int32_t limit, int32_t segmentCoordinate) {
  return drawRandom() % (limit / (controlSpread / 2) + 1) - limit / controlSpread + segmentCoordinate;
}

void startArms(EngineState& s) {
  startSegment(s, s.segment, s.segmentVelocity);
  startControlSegment(s, s.controlSegment, s.controlVelocity, s.segment);
  const Segment& seg = s.segment;
  float x1 = static_cast<float>(seg.x1);
  float y1 = static_cast<float>(seg.y1);
  if (figureRulesOf(s.drawingMode).continuesLastFigure) {
    // Go on from where the last figure's arm 0 ended, held inside the box.
    x1 = std::clamp(s.armEnds.arms[0][2], -static_cast<float>(s.centreX), static_cast<float>(s.centreX));
    y1 = std::clamp(s.armEnds.arms[0][3], -static_cast<float>(s.centreY), static_cast<float>(s.centreY));
  }
  setArmZero(s.armEnds, x1, y1, static_cast<float>(seg.x2), static_cast<float>(seg.y2));
  rotateArms(s.armEnds);

  const Segment& v = s.segmentVelocity;
  ArmSet next{};
  setArmZero(next, static_cast<float>(seg.x1 + v.x1), static_cast<float>(seg.y1 + v.y1),
             static_cast<float>(seg.x2 + v.x2), static_cast<float>(seg.y2 + v.y2));
  rotateArms(next);
  takeDifference(s.armEndSteps, next, s.armEnds);

  const Segment& c = s.controlSegment;
  setArmZero(s.armControls, static_cast<float>(c.x1), static_cast<float>(c.y1), static_cast<float>(c.x2),
             static_cast<float>(c.y2));
  rotateArms(s.armControls);

  const Segment& cv = s.controlVelocity;
  setArmZero(next, static_cast<float>(c.x1 + cv.x1), static_cast<float>(c.y1 + cv.y1), static_cast<float>(c.x2 + cv.x2),
             static_cast<float>(c.y2 + cv.y2));
  rotateArms(next);
  // Taken against the arm ends, not the controls: the controls drift by
  // their offset from the ends at every step.
  takeDifference(s.armControlSteps, next, s.armEnds);
}

// Marks which arms lie inside the half-screen box; false when the figure ends.
bool testBounds(EngineState& s) {
  for (int arm = 0; arm < 3; ++arm) {
    const auto& e = s.armEnds.arms[arm];
    s.armActive[arm] = true;
    if (outsideHalfScreen(s, truncateCoordinate(e[0]), truncateCoordinate(e[1])) ||
        outsideHalfScreen(s, truncateCoordinate(e[2]), truncateCoordinate(e[3]))) {
      if (s.endFigureAtEdge) return false;
      s.armActive[arm] = false;
    }
  }
  return s.armActive[0] || s.armActive[1] || s.armActive[2];
}

// Crayon: the origin shakes by up to 6 pixels, more the farther arm 0's
// midpoint lies from the centre.
void chooseJitter(EngineState& s) {
  const auto& arm = s.armEnds.arms[0];
  const double m = usableDivisor(std::min(s.centreX, s.centreY));
  const double sumX = static_cast<double>(arm[0]) + arm[2];
  const double sumY = static_cast<double>(arm[1]) + arm[3];
  const double d = std::sqrt(sumX * sumX + sumY * sumY) / (2 * m);
  int amplitude = 0;
  for (const double threshold : {0.25, 0.375, 0.5, 0.625, 0.75, 0.875})
    if (d > threshold) ++amplitude;
  s.jitterAmplitude = static_cast<int16_t>(amplitude);
  if (amplitude != 0) {
    s.jitterX = static_cast<int16_t>(drawRandom() % (2 * amplitude + 1) - amplitude);
    s.jitterY = static_cast<int16_t>(drawRandom() % (2 * amplitude + 1) - amplitude);
    s.jitterAmplitude = 0;
  }
}

void strokeAt(const EngineState& s, HDC dc, int32_t x, int32_t y) {
  SetViewportOrgEx(dc, x + s.jitterX, y + s.jitterY, nullptr);
  strokeActiveArms(s, dc, s.armEnds, s.armControls, s.armActive);
}

void strokeAtOrigins(const EngineState& s, HDC dc) {
  const int32_t width = s.screenWidth, height = s.screenHeight;
  if (s.cornerOrigins) {
    switch (s.figurePhase) {
      case FigurePhase::Pair:
        strokeAt(s, dc, 0, 0);
        strokeAt(s, dc, width, 0);
        strokeAt(s, dc, s.centreX, height);
        break;
      case FigurePhase::FlippedPair:
        strokeAt(s, dc, s.centreX, 0);
        strokeAt(s, dc, 0, height);
        strokeAt(s, dc, width, height);
        break;
      default:
        strokeAt(s, dc, 0, 0);
        strokeAt(s, dc, 0, height);
        strokeAt(s, dc, width, 0);
        strokeAt(s, dc, width, height);
        break;
    }
    return;
  }
  strokeAt(s, dc, s.centreX, s.centreY);
  if (!s.hexTiling) return;
  // Lattice copies half a height above and below the centre, one height
  // apart; a window without height has no lattice.
  const int32_t spacing = MulDiv(height, latticeRowNumerator, latticeRowDenominator);
  if (spacing < 1) return;
  const int32_t lastX = MulDiv(width, latticeEndNumerator, latticeEndDenominator);
  const int64_t step = 2 * int64_t{spacing};
  int64_t first = s.centreX - spacing, last = lastX;
  // A window much wider than high has many columns, up to tens of thousands,
  // and many of their copies cannot reach it: those are left out. The usual
  // two columns are drawn whole. A stroke may fall a pixel outside its box
  // (curve midpoints are rounded), hence the margin of one.
  StrokeBox box{};
  const bool culling = cullUnreachableCopies && last - first >= 2 * step;
  if (culling) {
    if (!activeArmsBox(s, s.armEnds, s.armControls, s.armActive, box)) return;
    const int64_t leftmost = -1 - box.right - s.jitterX;  // columns further left miss the window
    if (first < leftmost) first += (leftmost - first + step - 1) / step * step;
    last = std::min<int64_t>(last, width - box.left - s.jitterX);
  }
  const auto reaches = [&](int64_t originY) {
    return !culling || (box.bottom + originY + s.jitterY >= -1 && box.top + originY + s.jitterY <= height);
  };
  const bool upper = reaches(0), lower = reaches(height);
  for (int64_t x = first; x <= last; x += step) {
    if (upper) strokeAt(s, dc, static_cast<int32_t>(x), 0);
    if (lower) strokeAt(s, dc, static_cast<int32_t>(x), height);
  }
}

}  // namespace

bool cullUnreachableCopies = true;

void rotateArms(ArmSet& set) {
  for (int end = 0; end < 2; ++end) {
    const double x = set.arms[0][2 * end];
    const double y = set.arms[0][2 * end + 1];
    const double radius = std::sqrt(x * x + y * y);
    const double angle = (x == 0 && y == 0) ? rightAngle : std::atan2(y, x);
    set.arms[1][2 * end] = static_cast<float>(radius * std::cos(angle + sixthTurn));
    set.arms[1][2 * end + 1] = static_cast<float>(radius * std::sin(angle + sixthTurn));
    set.arms[2][2 * end] = static_cast<float>(radius * std::cos(angle + thirdTurn));
    set.arms[2][2 * end + 1] = static_cast<float>(radius * std::sin(angle + thirdTurn));
  }
}

void startControlSegment(EngineState& s, Segment& control, Segment& velocity, const Segment& segment) {
  Segment start{};
  start.x1 = controlCoordinate(s.reachLimitX, segment.x1);
  start.y1 = controlCoordinate(s.reachLimitY, segment.y1);
  start.x2 = controlCoordinate(s.reachLimitX, segment.x2);
  start.y2 = controlCoordinate(s.reachLimitY, segment.y2);
  startDrift(s, control, velocity, start, controlSpeed);
}

bool stepFigure(EngineState& s, HDC dc, bool newFigure) {
  if (newFigure) {
    startArms(s);
  } else {
    addSteps(s.armEnds, s.armEndSteps);
    addSteps(s.armControls, s.armControlSteps);
  }
  if (!testBounds(s)) return false;
  if (s.strokeStyle == StrokeStyle::Crayon) chooseJitter(s);
  SetROP2(dc, R2_COPYPEN);
  strokeAtOrigins(s, dc);
  return true;
}
