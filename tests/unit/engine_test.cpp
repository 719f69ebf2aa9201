// The engine's window procedure, animation clock and draw step, driven
// through the real window procedure chain.

#include <map>
#include <set>

#include "engine/draw_step.h"
#include "engine/window_procedure.h"
#include "linux/headless/headless_saver.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "test_support.h"

namespace {

// An id as the number the settings and the trace use.
int id(auto value) { return static_cast<int>(value); }

class EngineTest : public SaverTest {
 protected:
  std::string ini(const std::string& lines) {
    const std::string path = dir.file("control.ini");
    writeFile(path, "[ScreenSaver.Lumarel]\n" + lines);
    return path;
  }
  static std::string onlyPattern(Pattern only) {
    std::string lines;
    for (int p = 1; p <= patternCount; ++p)
      lines += std::string(patternKeys[p]) + "=" + (p == id(only) ? "1\n" : "0\n");
    return lines;
  }
  // Draw steps (one pen each) of every tick.
  std::vector<size_t> stepsPerTick(uint64_t ticks) {
    std::vector<size_t> steps;
    runHeadlessTicks(ticks, [&](uint64_t n) {
      const size_t pens = count(takeTrace(), "pen");
      if (n > 1) steps.push_back(pens);  // what tick n - 1 drew
    });
    steps.push_back(count(takeTrace(), "pen"));
    return steps;
  }
  TempDir dir;
};

TEST_F(EngineTest, SizeMessageSetsTheGeometry) {
  HWND window = startSaver(1920, 1080);
  EXPECT_EQ(engineState.centreX, 960);
  EXPECT_EQ(engineState.centreY, 540);
  EXPECT_EQ(engineState.strokeCountSpan, 384);
  EXPECT_EQ(engineState.reachLimitX, 640);
  EXPECT_EQ(engineState.reachLimitY, 360);
  SendMessageA(window, WM_SIZE, 0, MAKELPARAM(1366, 768));
  EXPECT_EQ(engineState.reachLimitX, 455);
}

TEST_F(EngineTest, CreationStartsTheCycleAtARandomPatternAndKeepsTheCycleSwitch) {
  std::set<int> first;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    resetSaverProcess();
    startSaver(640, 480, seed, ini("Mask=1\nZenGarden=1\n" + onlyPattern(Pattern{0})));
    first.insert(id(engineState.patternId));
    EXPECT_EQ(settings.patternFlags[0], 1u);
    const Pattern created = engineState.patternId;
    runHeadlessTicks(1, nullptr);
    EXPECT_NE(engineState.patternId, created);  // the first series advances once
  }
  EXPECT_EQ(first, (std::set<int>{id(Pattern::Mask), id(Pattern::ZenGarden)}));
}

TEST_F(EngineTest, AllPatternsDisabledAtCreationCyclesToTheFirstWithoutSaving) {
  const std::string path = ini(onlyPattern(Pattern{0}) + "Patterns=0\n");
  const std::string before = readFile(path);
  startSaver(640, 480, 1, path);
  EXPECT_EQ(engineState.patternId, Pattern::Symmetron);
  EXPECT_EQ(settings.patternFlags[0], 0u);  // the reset's Cycle switch is undone
  EXPECT_FALSE(engineState.settingsDirty);
  EXPECT_EQ(readFile(path), before);
}

TEST_F(EngineTest, EmptyColorSetListIsRepairedAndSavedAtTheFirstSeries) {
  std::string lines;
  for (const char* key : colorSetKeys) lines += std::string(key) + "=0\n";
  const std::string path = ini(lines);
  startSaver(640, 480, 3, path);
  platform::setProfilePath(path);  // let the saver write
  runHeadlessTicks(1, nullptr);
  EXPECT_EQ(engineState.colorSetId, ColorSet::AllColors);
  const std::string saved = readFile(path);
  EXPECT_NE(saved.find("Color Sets=1\n"), std::string::npos);
  EXPECT_NE(saved.find("No Blue=1\n"), std::string::npos);
  EXPECT_NE(saved.find("Timer interval=20\n"), std::string::npos);  // the whole record
}

TEST_F(EngineTest, PatternRulesGiveTheTabledModesAndPlacementFlags) {
  struct Outcome {
    std::set<int32_t> modes;
    int32_t corners;
    std::set<int32_t> edge;
  };
  const std::map<int, Outcome> table = {
      {1, {{1}, 0, {1}}},      {2, {{2}, 0, {0, 1}}},       {3, {{3}, 0, {0, 1}}},       {4, {{4}, 0, {1}}},
      {5, {{1}, 1, {0, 1}}},   {6, {{19, 20}, 0, {1}}},     {7, {{7}, 0, {0, 1}}},       {8, {{8}, 1, {0, 1}}},
      {9, {{9}, 0, {0, 1}}},   {10, {{10}, 0, {0}}},        {11, {{11}, 0, {0, 1}}},     {12, {{5, 8}, 1, {1}}},
      {13, {{13}, 0, {0, 1}}}, {14, {{19, 20, 4}, 0, {0}}}, {15, {{15, 18}, 0, {0, 1}}}, {16, {{16}, 0, {0, 1}}},
  };
  HWND window = startSaver(640, 480);
  for (const auto& [pattern, expected] : table) {
    settings.patternFlags.fill(0);
    settings.patternFlags[0] = 1;
    settings.patternFlags[pattern] = 1;
    Outcome seen{{}, -1, {}};
    std::set<int32_t> hexTiling;
    for (int i = 0; i < 400; ++i) {
      const bool tilingBefore = i % 2 == 0;
      engineState.hexTiling = tilingBefore;
      prepareSeries(engineState, settings, window);
      seen.modes.insert(id(engineState.drawingMode));
      seen.edge.insert(engineState.endFigureAtEdge);
      EXPECT_EQ(engineState.cornerOrigins, expected.corners) << pattern;
      // Corner origins leave the lattice switch as it was.
      hexTiling.insert(expected.corners ? engineState.hexTiling == tilingBefore : engineState.hexTiling);
    }
    EXPECT_EQ(seen.modes, expected.modes) << pattern;
    EXPECT_EQ(seen.edge, expected.edge) << pattern;
    const std::set<int32_t> expectedTiling = expected.corners ? std::set<int32_t>{1} : std::set<int32_t>{0, 1};
    EXPECT_EQ(hexTiling, expectedTiling) << pattern;
  }
}

// On a portrait screen the two half-widths differ the other way round.
TEST_F(EngineTest, ASeriesReachesAcrossItsOwnHalfOfTheScreenInEachAxis) {
  HWND window = startSaver(240, 480);
  int mostX = 0, mostY = 0;
  for (int series = 0; series < 400; ++series) {
    engineState.figuresLeft = 0;
    drawStep(engineState, window);
    ASSERT_GE(engineState.figureReachX, 10);
    ASSERT_LT(engineState.figureReachX, 120 + 10);
    ASSERT_GE(engineState.figureReachY, 10);
    ASSERT_LT(engineState.figureReachY, 240 + 10);
    mostX = std::max<int>(mostX, engineState.figureReachX);
    mostY = std::max<int>(mostY, engineState.figureReachY);
  }
  EXPECT_GT(mostX, 110);
  EXPECT_GT(mostY, 230);
}

TEST_F(EngineTest, EverySeriesClearsToBlackOrADarkColor) {
  HWND window = startSaver(64, 48);
  takeTrace();
  for (int i = 0; i < 300; ++i) SendMessageA(window, WM_PAINT, 0, 0);
  const auto trace = takeTrace();
  ASSERT_EQ(count(trace, "erase"), 300u);
  size_t black = 0;
  for (const std::string& line : trace) {
    const uint32_t color = std::stoul(line.substr(6), nullptr, 16);
    EXPECT_EQ(color & 0x808080u, 0u) << line;
    black += color == 0;
  }
  EXPECT_GT(black, 100u);
  EXPECT_LT(black, 200u);
  EXPECT_EQ(platform::liveGdiObjectCount(), 1u);  // only the current background brush
}

TEST_F(EngineTest, TimerIntervalSetsTheDrawStepsPerTickExceptInTheSingleStepModes) {
  const struct {
    const char* interval;
    Pattern pattern;
    size_t steps;
  } cases[] = {{"5", Pattern::Mask, 3},  {"10", Pattern::Mask, 2},      {"19", Pattern::Mask, 2},
               {"20", Pattern::Mask, 1}, {"5", Pattern::Spiderwork, 1}, {"5", Pattern::Hyperdraw, 1}};
  for (const auto& c : cases) {
    resetSaverProcess();
    startSaver(320, 240, 9, ini(onlyPattern(c.pattern) + "Pause=0\nTimer interval=" + c.interval + "\n"));
    const std::vector<size_t> steps = stepsPerTick(200);
    ASSERT_EQ(steps.size(), 200u);
    for (size_t n : steps) ASSERT_EQ(n, c.steps) << c.interval << " " << id(c.pattern);
  }
}

TEST_F(EngineTest, AnemoneTurnsToRigidArcsInAQuarterOfItsSeries) {
  HWND window = startSaver(320, 240, 3, ini(onlyPattern(Pattern::Anemone)));
  int rigid = 0;
  for (int series = 0; series < 800; ++series) {
    prepareSeries(engineState, settings, window);
    ASSERT_EQ(engineState.patternId, Pattern::Anemone);
    rigid += engineState.drawingMode == DrawingMode::RigidArcs;
  }
  EXPECT_GT(rigid, 150);  // two of the eight values of three random bits
  EXPECT_LT(rigid, 250);
}

TEST_F(EngineTest, PauseRunsOneStepPerTickForAboutHalfASecond) {
  for (const auto& [interval, target] : std::map<int, int>{{20, 25}, {100, 5}, {300, 1}}) {
    resetSaverProcess();
    HWND window =
        startSaver(320, 240, 9, ini(onlyPattern(Pattern::Mask) + "Timer interval=" + std::to_string(interval) + "\n"));
    runHeadlessTicks(1, nullptr);
    engineState.figuresLeft = 1000;
    engineState.strokesLeft = 1000;
    engineState.seriesEnded = true;
    for (int tick = 1; tick <= target; ++tick) {
      ASSERT_TRUE(engineState.seriesEnded) << interval << " tick " << tick;
      SendMessageA(window, WM_TIMER, animationTimerId, 0);
    }
    EXPECT_FALSE(engineState.seriesEnded) << interval;
    EXPECT_EQ(engineState.pauseTicks, 0);
  }
}

TEST_F(EngineTest, SeriesEndingDuringItsLastFigureCarriesThatFigureIntoTheNextSeries) {
  HWND window = startSaver(640, 480, 4, ini(onlyPattern(Pattern::Mask)));
  runHeadlessTicks(1, nullptr);  // the system's paint, then a first step without another paint
  engineState.figuresLeft = 1;
  engineState.strokesLeft = 0;
  drawStep(engineState, window);
  EXPECT_EQ(engineState.figuresLeft, 0);
  EXPECT_TRUE(engineState.seriesEnded);
  const int32_t strokesLeft = engineState.strokesLeft;
  ASSERT_GE(strokesLeft, 4);
  takeTrace();
  drawStep(engineState, window);
  const auto trace = takeTrace();
  EXPECT_EQ(count(trace, "erase"), 1u);
  EXPECT_EQ(engineState.strokesLeft, strokesLeft - 1);  // the same figure goes on
  EXPECT_GE(engineState.figuresLeft, 6);                // a fresh series, no figure started yet
  EXPECT_LE(engineState.figuresLeft, 25);

  SendMessageA(window, WM_PAINT, 0, 0);  // a repaint from outside starts a figure at once
  drawStep(engineState, window);
  EXPECT_EQ(count(takeTrace(), "erase"), 1u);
  EXPECT_GE(engineState.strokesLeft, 4);
}

TEST_F(EngineTest, FirstStepAfterTheSystemPaintStartsASeriesWithoutRepainting) {
  startSaver(640, 480);
  takeTrace();
  runHeadlessTicks(1, nullptr);
  const auto trace = takeTrace();
  EXPECT_EQ(count(trace, "erase"), 1u);  // the system paint's only
  EXPECT_EQ(trace.front().rfind("erase", 0), 0u);
  EXPECT_FALSE(engineState.repaintPending);
}

TEST_F(EngineTest, ZenGardenCyclesPhasesAndWalkerFromAFreshProcess) {
  HWND window = startSaver(640, 480, 11, ini(onlyPattern(Pattern::ZenGarden)));
  runHeadlessTicks(1, nullptr);
  EXPECT_EQ(engineState.figurePhase, FigurePhase::GardenWalk);
  EXPECT_TRUE(engineState.useSegmentWalker);
  std::vector<int> phases;
  for (int figure = 0; figure < 6; ++figure) {
    engineState.strokesLeft = 0;
    engineState.figuresLeft = 100;
    drawStep(engineState, window);
    phases.push_back(id(engineState.figurePhase));
  }
  EXPECT_EQ(phases, (std::vector<int>{3, 2, 4, 3, 2, 4}));
}

TEST_F(EngineTest, FigureStartsApplyTheirModesPhaseWalkerAndArcRules) {
  struct Rule {
    DrawingMode mode;
    int32_t phaseBefore, phaseAfter;
    bool walker, arcs, freshColor;
  };
  using enum DrawingMode;
  const Rule rules[] = {
      {Symmetron, 3, 1, 0, 0, true},
      {Hexatron, 0, 1, 0, 0, true},
      {Cornered, 2, 1, 0, 0, true},
      {LetItGrow, 4, 1, 0, 0, true},
      {CommonStart, 3, 1, 0, 0, true},
      {RigidDrift, 3, 1, 0, 0, true},
      {Mask, 3, 3, 1, 1, true},
      {CoatOfArms, 1, 2, 0, 0, true},
      {AngelsAndDevils, 2, 3, 0, 0, true},
      {AngelsAndDevils, 3, 2, 0, 0, false},
      {AngelsAndDevils, 0, 2, 0, 0, false},
      {Crown, 1, 3, 0, 0, true},
      {Anemone, 3, 1, 0, 1, true},
      {Spiderwork, 3, 3, 0, 0, true},
      {Hyperdraw, 2, 2, 0, 0, true},
  };
  HWND window = startSaver(640, 480, 5, ini(onlyPattern(Pattern::Symmetron)));
  runHeadlessTicks(1, nullptr);
  engineState.colorSetId = ColorSet::AllColors;
  for (const Rule& rule : rules) {
    engineState.drawingMode = rule.mode;
    engineState.figurePhase = FigurePhase{rule.phaseBefore};
    engineState.figuresLeft = 100;
    engineState.strokesLeft = 0;
    engineState.penColor = 0x102030;
    engineState.redRising = engineState.greenRising = engineState.blueRising = false;
    drawStep(engineState, window);
    EXPECT_EQ(id(engineState.figurePhase), rule.phaseAfter) << id(rule.mode) << " from " << rule.phaseBefore;
    EXPECT_EQ(engineState.useSegmentWalker, rule.walker) << id(rule.mode);
    EXPECT_EQ(engineState.arcStrokes, rule.arcs) << id(rule.mode);
    // A carried colour is the old one stepped once (all channels were falling).
    if (!rule.freshColor) {
      EXPECT_EQ(engineState.penColor, 0x0F1F2Fu) << id(rule.mode);
    }
  }
}

TEST_F(EngineTest, AStrokeNeverLeaksItsPenOverManyTicks) {
  startSaver(320, 240, 2, ini("Timer interval=5\nPercentCrayon=50\n"));
  runHeadlessTicks(100, nullptr);
  const size_t live = platform::liveGdiObjectCount();
  runHeadlessTicks(20000, nullptr);
  EXPECT_EQ(platform::liveGdiObjectCount(), live);
}

}  // namespace
