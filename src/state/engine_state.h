// The one record that the animation engine and the figure drawing share.
#pragma once

#include <cstdint>

#include "arm_set.h"

// Pattern ids, which are also their slots in the settings' flag tables.
enum class Pattern : int32_t {
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
  // Before the first choice: the first advance wraps from it to the lowest enabled slot.
  Unchosen = 32,
};
constexpr int32_t patternCount = 16;

// How a figure is drawn: each pattern has a mode of its own, of the same
// number and name; three more belong to no pattern.
enum class DrawingMode : int32_t {
  // The patterns' own, in the same order from 1.
  Symmetron = 1,
  Mask,
  CoatOfArms,
  Hexatron,
  Cornered,
  ScreenCrystals,
  AngelsAndDevils,
  Spiderwork,
  ZenGarden,
  LetItGrow,
  Crown,
  Cartouche,
  Mandala,
  Algorhythm,
  Anemone,
  Hyperdraw,
  // Modes of no pattern.
  RigidArcs = 18,
  CommonStart = 19,
  RigidDrift = 20,
};
static_assert(DrawingMode::Hyperdraw == static_cast<DrawingMode>(Pattern::Hyperdraw));

// A pattern's own drawing mode.
constexpr DrawingMode drawingModeOf(Pattern pattern) { return static_cast<DrawingMode>(pattern); }

// Colour-set ids, which are also their slots in the settings' flag tables.
enum class ColorSet : int32_t {
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
  // Before the first choice, as for patterns.
  Unchosen = 32,
};
constexpr int32_t colorSetCount = 17;

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
