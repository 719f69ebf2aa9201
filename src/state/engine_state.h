// The one record that the animation engine and the figure drawing share.
#pragma once

#include <cstdint>

#include "arm_set.h"

// Pattern ids; the drawing modes 1..16 bear the same numbers and names.
enum Pattern : int32_t {
  Symmetron = 1,
  Mask = 2,
  CoatOfArms = 3,
  Hexatron = 4,
  Cornered = 5,
  ScreenCrystals = 6,
  AngelsAndDevils = 7,
  Spiderwork = 8,
  ZenGarden = 9,
  LetItGrow = 10,
  Crown = 11,
  Cartouche = 12,
  Mandala = 13,
  Algorhythm = 14,
  Anemone = 15,
  Hyperdraw = 16,
};
constexpr int32_t patternCount = 16;

// Drawing modes that belong to no pattern.
enum ExtraDrawingMode : int32_t {
  RigidArcs = 18,
  CommonStart = 19,
  RigidDrift = 20,
};

enum ColorSet : int32_t {
  AllColors = 1,
  LowIntensity = 2,
  MinimumIntensity = 3,
  Spectrum = 4,
  Red = 5,
  Green = 6,
  Blue = 7,
  Magenta = 8,
  Cyan = 9,
  Yellow = 10,
  BlackWhiteGray = 11,
  RedCyan = 12,
  GreenMagenta = 13,
  BlueYellow = 14,
  NoRed = 15,
  NoGreen = 16,
  NoBlue = 17,
};
constexpr int32_t colorSetCount = 17;

enum StrokeStyle : int32_t {
  Crisp = 1,
  Crayon = 2,
};

// The id that a selection holds before its first choice: the first advance
// wraps from it to the lowest enabled entry.
constexpr int32_t noSelection = 32;

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
  int32_t patternId;
  int32_t drawingMode;
  int32_t colorSetId;
  int32_t strokeStyle;
  int32_t cornerOrigins;
  int32_t endFigureAtEdge;
  int32_t hexTiling;

  // Series, figure and stroke lifecycle.
  int32_t figuresLeft;
  int32_t strokesLeft;
  int32_t seriesEnded;
  int16_t figureReachX;
  int16_t figureReachY;
  Segment segment;
  int32_t figurePhase;
  int32_t arcStrokes;
  int32_t useSegmentWalker;
  uint32_t penColor;
  int16_t jitterX;
  int16_t jitterY;
  int32_t repaintPending;

  // Colour state.
  int32_t redRising;
  int32_t greenRising;
  int32_t blueRising;
  int16_t spectrumStep;

  // Animation clock.
  uint16_t pauseTicks;
  int16_t timerRunning;
  int32_t settingsDirty;

  // Figure drawing: the walker's velocities and the figure routine's arms.
  Segment segmentVelocity;
  int16_t jitterAmplitude;
  Segment controlSegment;
  Segment controlVelocity;
  ArmSet armEnds;
  ArmSet armControls;
  ArmSet armEndSteps;
  ArmSet armControlSteps;
  int32_t armActive[3];
};

extern EngineState engineState;

// A divisor taken from the screen geometry; a window too small to give one
// (under 2 or 3 pixels across) draws as if it were 1.
inline int32_t usableDivisor(int32_t value) { return value < 1 ? 1 : value; }
