#include "strokes.h"

#include <algorithm>

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

namespace {

// Hands each stroke of an arm, in drawing order, to the visitor: as
// arc(left, top, right, bottom, xStart, yStart, xEnd, yEnd) or bezier(p0, p1, p2, p3).
template <typename Visitor>
void visitArm(const EngineState& s, Visitor& visit, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx1,
              int32_t cy1, int32_t cx2, int32_t cy2) {
  const int32_t h = s.centreY / 2;
  switch (s.figurePhase) {
    case FigurePhase::FlippedPair:
      if (s.arcStrokes) {
        visit.arc(x1, -y1, x2, -y2, x1, -y1, x2, -y2);
        visit.arc(-x2, -y2, -x1, -y1, -x1, -y1, -x2, -y2);
      } else {
        visit.bezier({x1, -y1}, {x2, -y2}, {h, 0}, {x2, -y2});
        visit.bezier({-x1, -y1}, {-x2, -y2}, {-h, 0}, {-x2, -y2});
      }
      break;
    case FigurePhase::Pair:
      if (s.arcStrokes) {
        visit.arc(x1, y1, x2, y2, x1, y1, x2, y2);
        visit.arc(-x2, y2, -x1, y1, -x1, y1, -x2, y2);
      } else {
        visit.bezier({x1, y1}, {x2, y2}, {h, 0}, {x2, y2});
        visit.bezier({-x1, y1}, {-x2, y2}, {-h, 0}, {-x2, y2});
      }
      break;
    default:
      if (s.arcStrokes) {
        visit.arc(x1, y1, x2, y2, x1, y1, x2, y2);
        visit.arc(-x2, y2, -x1, y1, -x2, y2, -x1, y1);
        visit.arc(x2, -y2, x1, -y1, x2, -y2, x1, -y1);
        visit.arc(-x1, -y1, -x2, -y2, -x1, -y1, -x2, -y2);
      } else {
        visit.bezier({x1, y1}, {cx1, cy1}, {cx2, cy2}, {x2, y2});
        visit.bezier({-x1, y1}, {-cx1, cy1}, {-cx2, cy2}, {-x2, y2});
        visit.bezier({-x1, -y1}, {-cx1, -cy1}, {-cx2, -cy2}, {-x2, -y2});
        visit.bezier({x1, -y1}, {cx1, -cy1}, {cx2, -cy2}, {x2, -y2});
      }
      break;
  }
}

template <typename Visitor>
void visitActiveArms(const EngineState& s, Visitor& visit, const ArmSet& armEnds, const ArmSet& armControls,
                     const bool armActive[3]) {
  for (int arm = 0; arm < 3; ++arm) {
    if (!armActive[arm]) continue;
    const auto& e = armEnds.arms[arm];
    const auto& c = armControls.arms[arm];
    visitArm(s, visit, truncateCoordinate(e[0]), truncateCoordinate(e[1]), truncateCoordinate(e[2]),
             truncateCoordinate(e[3]), truncateCoordinate(c[0]), truncateCoordinate(c[1]), truncateCoordinate(c[2]),
             truncateCoordinate(c[3]));
  }
}

struct Drawer {
  HDC dc;
  void arc(int32_t l, int32_t t, int32_t r, int32_t b, int32_t xs, int32_t ys, int32_t xe, int32_t ye) {
    Arc(dc, l, t, r, b, xs, ys, xe, ye);
  }
  void bezier(POINT p0, POINT p1, POINT p2, POINT p3) {
    const POINT points[4] = {p0, p1, p2, p3};
    PolyBezier(dc, points, 4);
  }
};

struct Bounds {
  StrokeBox box{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
  void add(int64_t x, int64_t y) {
    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
  }
  void arc(int32_t l, int32_t t, int32_t r, int32_t b, int32_t, int32_t, int32_t, int32_t) {
    add(l, t);
    add(r, b);
  }
  void bezier(POINT p0, POINT p1, POINT p2, POINT p3) {
    for (const POINT& p : {p0, p1, p2, p3}) add(p.x, p.y);
  }
};

}  // namespace

void strokeArm(const EngineState& s, HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx1, int32_t cy1,
               int32_t cx2, int32_t cy2) {
  Drawer drawer{dc};
  visitArm(s, drawer, x1, y1, x2, y2, cx1, cy1, cx2, cy2);
}

void strokeActiveArms(const EngineState& s, HDC dc, const ArmSet& armEnds, const ArmSet& armControls,
                      const bool armActive[3]) {
  Drawer drawer{dc};
  visitActiveArms(s, drawer, armEnds, armControls, armActive);
}

bool activeArmsBox(const EngineState& s, const ArmSet& armEnds, const ArmSet& armControls, const bool armActive[3],
                   StrokeBox& box) {
  Bounds bounds;
  visitActiveArms(s, bounds, armEnds, armControls, armActive);
  box = bounds.box;
  return box.left <= box.right;
}
