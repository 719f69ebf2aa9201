#include "draw_step.h"

#include "colors.h"
#include "figures/figure_routine.h"
#include "figures/segment_walker.h"
#include "state/random.h"

namespace {

void startSeries(EngineState& s) {
  s.figuresLeft = drawRandom() % 20 + 6;
  s.figureReachX = static_cast<int16_t>(drawRandom() % usableDivisor(s.centreX) + 10);
  s.figureReachY = static_cast<int16_t>(drawRandom() % usableDivisor(s.centreY) + 10);
  if (s.drawingMode == Hexatron) {
    s.segment.x2 = drawRandom() % usableDivisor(s.centreX);
    s.segment.y2 = drawRandom() % usableDivisor(s.centreY);
  }
}

void applyFigureRule(EngineState& s) {
  switch (s.drawingMode) {
    case Symmetron:
    case Hexatron:
    case Cornered:
    case LetItGrow:
    case CommonStart:
    case RigidDrift:
      s.figurePhase = 1;
      break;
    case Mask:
      s.useSegmentWalker = 1;
      s.arcStrokes = 1;
      break;
    case CoatOfArms:
      s.figurePhase = 2;
      break;
    case AngelsAndDevils:
      if (s.figurePhase == 2) {
        s.penColor = pickColor(s);
        s.figurePhase = 3;
      } else {
        s.figurePhase = 2;
      }
      break;
    case ZenGarden:
      if (s.figurePhase == 4) {
        s.penColor = pickColor(s);
        s.figurePhase = 3;
      } else if (s.figurePhase == 3) {
        s.figurePhase = 2;
      } else {
        s.arcStrokes = 1;
        s.useSegmentWalker = 1;
        s.penColor = pickColor(s);
        s.figurePhase = 4;
      }
      break;
    case Crown:
      s.figurePhase = 3;
      break;
    case Mandala:
      if (drawRandom() % 3 == 1) {
        s.useSegmentWalker = 1;
        s.arcStrokes = 1;
      } else {
        s.figurePhase = 1;
      }
      break;
    case Anemone:
      s.arcStrokes = 1;
      s.figurePhase = 1;
      break;
    default:  // Spiderwork, Hyperdraw and RigidArcs keep the last phase
      break;
  }
}

void startFigure(EngineState& s) {
  s.strokesLeft = drawRandom() % usableDivisor(s.strokeCountSpan) + 5;
  if (--s.figuresLeft == 0) s.seriesEnded = 1;
  s.useSegmentWalker = 0;
  s.arcStrokes = 0;
  applyFigureRule(s);
  if (s.drawingMode != AngelsAndDevils && s.drawingMode != ZenGarden) s.penColor = pickColor(s);
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
  int newFigure = 0;
  if (s.strokesLeft == 0) {
    startFigure(s);
    newFigure = 1;
  }
  s.jitterX = 0;
  s.jitterY = 0;

  HDC dc = GetDC(window);
  HPEN pen = CreatePen(PS_SOLID, 1, s.penColor);
  HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ previousPen = SelectObject(dc, pen);
  const int drawn = s.useSegmentWalker ? stepSegmentWalker(s, dc, newFigure) : stepFigure(s, dc, newFigure);
  s.strokesLeft = drawn ? s.strokesLeft - 1 : 0;
  if (previousPen) SelectObject(dc, previousPen);
  if (previousBrush) SelectObject(dc, previousBrush);
  ReleaseDC(window, dc);
  DeleteObject(pen);
  s.repaintPending = 0;
}
