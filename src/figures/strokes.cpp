#include "strokes.h"

#include "engine/engine_state.h"

namespace {

void bezier(HDC dc, POINT p0, POINT p1, POINT p2, POINT p3) {
  const POINT points[4] = {p0, p1, p2, p3};
  PolyBezier(dc, points, 4);
}

}  // namespace

int32_t truncateCoordinate(float value) {
  constexpr double limit = 2147483647.0;
  if (!(value == value)) return 0;  // NaN
  if (value >= limit) return INT32_MAX;
  if (value <= -limit) return -INT32_MAX;
  return static_cast<int32_t>(value);
}

void strokeMirroredPair(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Arc(dc, x1, y1, x2, y2, x1, y1, x2, y2);
  Arc(dc, x1, -y1, x2, -y2, x2, -y2, x1, -y1);
}

void strokeArm(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx1, int32_t cy1, int32_t cx2,
               int32_t cy2) {
  const EngineState& s = engineState;
  const int32_t h = s.centreY / 2;
  switch (s.figurePhase) {
    case 3:
      if (s.arcStrokes) {
        Arc(dc, x1, -y1, x2, -y2, x1, -y1, x2, -y2);
        Arc(dc, -x2, -y2, -x1, -y1, -x1, -y1, -x2, -y2);
      } else {
        bezier(dc, {x1, -y1}, {x2, -y2}, {h, 0}, {x2, -y2});
        bezier(dc, {-x1, -y1}, {-x2, -y2}, {-h, 0}, {-x2, -y2});
      }
      break;
    case 2:
      if (s.arcStrokes) {
        Arc(dc, x1, y1, x2, y2, x1, y1, x2, y2);
        Arc(dc, -x2, y2, -x1, y1, -x1, y1, -x2, y2);
      } else {
        bezier(dc, {x1, y1}, {x2, y2}, {h, 0}, {x2, y2});
        bezier(dc, {-x1, y1}, {-x2, y2}, {-h, 0}, {-x2, y2});
      }
      break;
    default:
      if (s.arcStrokes) {
        Arc(dc, x1, y1, x2, y2, x1, y1, x2, y2);
        Arc(dc, -x2, y2, -x1, y1, -x2, y2, -x1, y1);
        Arc(dc, x2, -y2, x1, -y1, x2, -y2, x1, -y1);
        Arc(dc, -x1, -y1, -x2, -y2, -x1, -y1, -x2, -y2);
      } else {
        bezier(dc, {x1, y1}, {cx1, cy1}, {cx2, cy2}, {x2, y2});
        bezier(dc, {-x1, y1}, {-cx1, cy1}, {-cx2, cy2}, {-x2, y2});
        bezier(dc, {-x1, -y1}, {-cx1, -cy1}, {-cx2, -cy2}, {-x2, -y2});
        bezier(dc, {x1, -y1}, {cx1, -cy1}, {cx2, -cy2}, {x2, -y2});
      }
      break;
  }
}

void strokeActiveArms(HDC dc, const ArmSet& armEnds, const ArmSet& armControls, const int32_t armActive[3]) {
  for (int arm = 0; arm < 3; ++arm) {
    if (!armActive[arm]) continue;
    const auto& e = armEnds.arms[arm];
    const auto& c = armControls.arms[arm];
    strokeArm(dc, truncateCoordinate(e[0]), truncateCoordinate(e[1]), truncateCoordinate(e[2]),
              truncateCoordinate(e[3]), truncateCoordinate(c[0]), truncateCoordinate(c[1]), truncateCoordinate(c[2]),
              truncateCoordinate(c[3]));
  }
}
