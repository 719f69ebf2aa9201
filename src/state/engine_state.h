// The one record that the animation engine and the figure drawing share.
#pragma once

#include <cstdint>

#include "arm_set.h"
#include "color_sets.h"
#include "patterns.h"

enum class StrokeStyle : int32_t {
  Crisp = 1,
  Crayon = 2,
  // From window creation until the first series chooses; draws as Crisp.
  Unchosen = 16,
};

// Which mirror images of an arm a figure draws, and where its corner origins are.
enum class FigurePhase : int32_t {
  None = 0,         // a fresh process: drawn as FourFold
  FourFold = 1,     // mirrored in both axes; origins at the four corners
  Pair = 2,         // the arm and its mirror in the vertical axis; top corners and bottom middle
  FlippedPair = 3,  // the same turned upside down; top middle and bottom corners
  GardenWalk = 4,   // ZenGarden's walker figure, the start of its cycle; drawn as FourFold
};

struct EngineState {
  // Screen geometry, from the size message.
  int16_t screenWidth;
  int16_t screenHeight;
  int16_t centreX;
  int16_t centreY;
  int16_t strokeCountSpan;
  int16_t reachLimitX;
  int16_t reachLimitY;

  // Series choices.
  Pattern patternId;
  DrawingMode drawingMode;
  ColorSet colorSetId;
  StrokeStyle strokeStyle;
  bool cornerOrigins;
  bool endFigureAtEdge;
  bool hexTiling;

  // Series, figure and stroke lifecycle.
  int32_t figuresLeft;
  int32_t strokesLeft;
  bool seriesEnded;
  int16_t figureReachX;
  int16_t figureReachY;
  Segment segment;
  FigurePhase figurePhase;
  bool arcStrokes;
  bool useSegmentWalker;
  uint32_t penColor;
  int16_t jitterX;
  int16_t jitterY;
  bool repaintPending;

  // Colour state.
  bool redRising;
  bool greenRising;
  bool blueRising;
  int16_t spectrumStep;

  // Animation clock.
  uint16_t pauseTicks;
  bool timerRunning;
  bool settingsDirty;

  // Figure drawing: the walker's velocities and the figure routine's arms.
  Segment segmentVelocity;
  int16_t jitterAmplitude;
  Segment controlSegment;
  Segment controlVelocity;
  ArmSet armEnds;
  ArmSet armControls;
  ArmSet armEndSteps;
  ArmSet armControlSteps;
  bool armActive[3];
};

extern EngineState engineState;

// A divisor taken from the screen geometry; a window too small to give one
// (under 2 or 3 pixels across) draws as if it were 1.
inline int32_t usableDivisor(int32_t value) { return value < 1 ? 1 : value; }
