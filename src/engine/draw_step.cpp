#include "draw_step.h"

#include "colors.h"
#include "figures/figure_routine.h"
#include "figures/segment_walker.h"
#include "state/random.h"

namespace {

// A series has 6 to 25 figures, whose segments reach at least this far.
constexpr int32_t fewestFigures = 6;
constexpr int32_t figureCountSpan = 20;
constexpr int32_t shortestReach = 10;
// A figure has at least this many strokes.
constexpr int32_t fewestStrokes = 5;

void startSeries(EngineState& s) {
  s.figuresLeft = drawRandom() % figureCountSpan + fewestFigures;
  s.figureReachX = static_cast<int16_t>(drawRandom() % usableDivisor(s.centreX) + shortestReach);
  s.figureReachY = static_cast<int16_t>(drawRandom() % usableDivisor(s.centreY) + shortestReach);
  // The first figure's segment goes on from an end picked for the series.
  if (figureRulesOf(s.drawingMode).drift == SegmentDrift::FromLastEnd) {
    s.segment.x2 = drawRandom() % usableDivisor(s.centreX);
    s.segment.y2 = drawRandom() % usableDivisor(s.centreY);
  }
}

// The figure is drawn by the segment walker, in arcs.
void walkInArcs(EngineState& s) {
  s.useSegmentWalker = true;
  s.arcStrokes = true;
}

void applyFigurePlan(EngineState& s, FigurePlan plan) {
  using enum FigurePlan;
  switch (plan) {
    case KeepPhase:
      break;
    case FourFold:
      s.figurePhase = FigurePhase::FourFold;
      break;
    case FourFoldArcs:
      s.arcStrokes = true;
      s.figurePhase = FigurePhase::FourFold;
      break;
    case Pair:
      s.figurePhase = FigurePhase::Pair;
      break;
    case FlippedPair:
      s.figurePhase = FigurePhase::FlippedPair;
      break;
    case PairThenFlippedPair:
      if (s.figurePhase == FigurePhase::Pair) {
        s.penColor = pickColor(s);
        s.figurePhase = FigurePhase::FlippedPair;
      } else {
        s.figurePhase = FigurePhase::Pair;
      }
      break;
    case GardenCycle:
      if (s.figurePhase == FigurePhase::GardenWalk) {
        s.penColor = pickColor(s);
        s.figurePhase = FigurePhase::FlippedPair;
      } else if (s.figurePhase == FigurePhase::FlippedPair) {
        s.figurePhase = FigurePhase::Pair;
      } else {
        walkInArcs(s);
        s.penColor = pickColor(s);
        s.figurePhase = FigurePhase::GardenWalk;
      }
      break;
    case ArcWalker:
      walkInArcs(s);
      break;
    case ArcWalkerOneInThree:
      if (drawRandom() % 3 == 1) {
        walkInArcs(s);
      } else {
        s.figurePhase = FigurePhase::FourFold;
      }
      break;
  }
}

void startFigure(EngineState& s) {
  s.strokesLeft = drawRandom() % usableDivisor(s.strokeCountSpan) + fewestStrokes;
  if (--s.figuresLeft == 0) s.seriesEnded = true;
  s.useSegmentWalker = false;
  s.arcStrokes = false;
  const FigurePlan plan = figureRulesOf(s.drawingMode).plan;
  applyFigurePlan(s, plan);
  if (!planPicksColors(plan)) s.penColor = pickColor(s);
}

}  // namespace

void drawStep(EngineState& s, HWND window) {
  if (s.repaintPending) {
    // The repaint has cleared the screen and prepared a series already.
    s.strokesLeft = 0;
    s.figuresLeft = 0;
    startSeries(s);
  } else if (s.figuresLeft == 0) {
    // A figure still under way goes on into the new series.
    SendMessageA(window, WM_PAINT, 0, 0);
    startSeries(s);
  }
  s.penColor = stepColor(s, s.penColor);
  const bool newFigure = s.strokesLeft == 0;
  if (newFigure) startFigure(s);
  s.jitterX = 0;
  s.jitterY = 0;

  HDC dc = GetDC(window);
  HPEN pen = CreatePen(PS_SOLID, 1, s.penColor);
  HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ previousPen = SelectObject(dc, pen);
  const bool drawn = s.useSegmentWalker ? stepSegmentWalker(s, dc, newFigure) : stepFigure(s, dc, newFigure);
  s.strokesLeft = drawn ? s.strokesLeft - 1 : 0;
  if (previousPen) SelectObject(dc, previousPen);
  if (previousBrush) SelectObject(dc, previousBrush);
  ReleaseDC(window, dc);
  DeleteObject(pen);
  s.repaintPending = false;
}
