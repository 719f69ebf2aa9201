// Stroke primitives, the segment walker and the figure routine.

#include <cmath>

#include "figures/figure_routine.h"
#include "figures/segment_walker.h"
#include "figures/strokes.h"
#include "state/engine_state.h"
#include "state/random.h"
#include "test_support.h"

namespace {

class FiguresTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    dc = captureDc();
    engineState.screenWidth = 640;
    engineState.screenHeight = 480;
    engineState.centreX = 320;
    engineState.centreY = 240;
    engineState.reachLimitX = 213;
    engineState.reachLimitY = 160;
    engineState.figureReachX = 100;
    engineState.figureReachY = 100;
    engineState.strokeStyle = StrokeStyle::Crisp;
    engineState.drawingMode = DrawingMode::Symmetron;
    engineState.figurePhase = FigurePhase::FourFold;
  }
  std::vector<std::string> origins() {
    std::vector<std::string> result;
    for (const std::string& line : takeTrace())
      if (line.rfind("org", 0) == 0) result.push_back(line.substr(4));
    return result;
  }
  HDC dc = nullptr;
};

TEST_F(FiguresTest, MirroredPairDrawsTheArcAndItsReflectionWithEndsExchanged) {
  strokeMirroredPair(dc, 10, 20, 30, 40);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"arc 10 20 30 40 10 20 30 40", "arc 10 -20 30 -40 30 -40 10 -20"}));
}

TEST_F(FiguresTest, EachPhaseDrawsItsMirrorSet) {
  engineState.centreY = 301;  // h = 150, truncated
  engineState.arcStrokes = true;
  engineState.figurePhase = FigurePhase::FourFold;
  strokeArm(engineState, dc, 1, 2, 3, 4, 9, 9, 9, 9);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"arc 1 2 3 4 1 2 3 4", "arc -3 4 -1 2 -3 4 -1 2",
                                                   "arc 3 -4 1 -2 3 -4 1 -2", "arc -1 -2 -3 -4 -1 -2 -3 -4"}));
  engineState.figurePhase = FigurePhase::Pair;
  strokeArm(engineState, dc, 1, 2, 3, 4, 9, 9, 9, 9);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"arc 1 2 3 4 1 2 3 4", "arc -3 4 -1 2 -1 2 -3 4"}));
  engineState.figurePhase = FigurePhase::FlippedPair;
  strokeArm(engineState, dc, 1, 2, 3, 4, 9, 9, 9, 9);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"arc 1 -2 3 -4 1 -2 3 -4", "arc -3 -4 -1 -2 -1 -2 -3 -4"}));

  engineState.arcStrokes = false;
  engineState.figurePhase = FigurePhase::None;  // a fresh process draws the four-fold set
  strokeArm(engineState, dc, 1, 2, 3, 4, 5, 6, 7, 8);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"bez 1 2 5 6 7 8 3 4", "bez -1 2 -5 6 -7 8 -3 4",
                                                   "bez -1 -2 -5 -6 -7 -8 -3 -4", "bez 1 -2 5 -6 7 -8 3 -4"}));
  engineState.figurePhase = FigurePhase::Pair;
  strokeArm(engineState, dc, 1, 2, 3, 4, 5, 6, 7, 8);  // the controls are not used
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"bez 1 2 3 4 150 0 3 4", "bez -1 2 -3 4 -150 0 -3 4"}));
  engineState.figurePhase = FigurePhase::FlippedPair;
  strokeArm(engineState, dc, 1, 2, 3, 4, 5, 6, 7, 8);
  EXPECT_EQ(takeTrace(), (std::vector<std::string>{"bez 1 -2 3 -4 150 0 3 -4", "bez -1 -2 -3 -4 -150 0 -3 -4"}));
}

TEST_F(FiguresTest, ActiveArmsAreTruncatedTowardZeroAndInactiveOnesSkipped) {
  ArmSet ends{{{{-0.9f, 0.9f, -1.5f, 2.99f}, {5, 5, 5, 5}, {7.5f, -7.5f, 1e20f, -1e20f}}}};
  ArmSet controls{};
  const bool active[3] = {true, false, true};
  engineState.arcStrokes = true;
  engineState.figurePhase = FigurePhase::Pair;
  strokeActiveArms(engineState, dc, ends, controls, active);
  const auto trace = takeTrace();
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_EQ(trace[0], "arc 0 0 -1 2 0 0 -1 2");
  EXPECT_EQ(trace[2], "arc 7 -7 2147483647 -2147483647 7 -7 2147483647 -2147483647");
  const bool none[3] = {false, false, false};
  strokeActiveArms(engineState, dc, ends, controls, none);
  EXPECT_TRUE(takeTrace().empty());
}

TEST_F(FiguresTest, RotateArmsTurnsByTheFixedAngles) {
  ArmSet set{{{{100, 0, 0, 0}}}};
  rotateArms(set);
  EXPECT_NEAR(set.arms[1][0], 100 * std::cos(1.0472), 1e-4);
  EXPECT_NEAR(set.arms[1][1], 100 * std::sin(1.0472), 1e-4);
  EXPECT_NEAR(set.arms[2][0], 100 * std::cos(2.0944), 1e-4);
  EXPECT_NEAR(set.arms[2][1], 100 * std::sin(2.0944), 1e-4);
  EXPECT_FLOAT_EQ(set.arms[1][2], 0.0f);  // the origin stays put
  EXPECT_FLOAT_EQ(set.arms[2][3], 0.0f);
  ArmSet down{{{{0, 50, 0, 0}}}};  // +y turns toward -x: clockwise on the screen
  rotateArms(down);
  EXPECT_LT(down.arms[1][0], 0.0f);
}

TEST_F(FiguresTest, StartSegmentDrawsInTheQuadrantAndFollowsTheModeRules) {
  Segment segment{}, velocity{};
  for (int i = 0; i < 500; ++i) {
    startSegment(engineState, segment, velocity);
    ASSERT_TRUE(segment.x1 >= 0 && segment.x1 < 100 && segment.y1 >= 0 && segment.y1 < 100);
    ASSERT_TRUE(velocity.x1 >= -2 && velocity.x1 <= 2 && velocity.y2 >= -2 && velocity.y2 <= 2);
  }
  engineState.drawingMode = DrawingMode::CommonStart;
  startSegment(engineState, segment, velocity);
  EXPECT_TRUE(segment.x1 == segment.x2 && segment.y1 == segment.y2);
  engineState.drawingMode = DrawingMode::RigidArcs;
  startSegment(engineState, segment, velocity);
  EXPECT_TRUE(velocity.x1 == velocity.x2 && velocity.y1 == velocity.y2);
  EXPECT_TRUE(engineState.arcStrokes);
  engineState.drawingMode = DrawingMode::Hexatron;  // continues from the last end, C remainder
  segment.x2 = -250;
  segment.y2 = 250;
  seedRandom(3);
  startSegment(engineState, segment, velocity);
  EXPECT_EQ(segment.x1, -50);
  EXPECT_EQ(segment.y1, 50);
}

TEST_F(FiguresTest, WalkerEndsOnlyWhenAnEndPassesTheCentreBound) {
  engineState.segment = Segment{318, 0, 0, 0};
  engineState.segmentVelocity = Segment{1, 0, 0, 0};
  EXPECT_TRUE(stepSegmentWalker(engineState, dc, false));
  EXPECT_TRUE(stepSegmentWalker(engineState, dc, false));  // x1 = 320 = centreX: still inside
  takeTrace();
  EXPECT_FALSE(stepSegmentWalker(engineState, dc, false));
  EXPECT_TRUE(takeTrace().empty());
}

TEST_F(FiguresTest, CrayonWalkerShiftsItsOriginRightAndDownByJToThreeJ) {
  engineState.strokeStyle = StrokeStyle::Crayon;
  for (int i = 0; i < 300; ++i) {
    engineState.segment = Segment{10, 10, 20, 20};
    engineState.segmentVelocity = Segment{};
    stepSegmentWalker(engineState, dc, false);
    ASSERT_GE(engineState.jitterX, 1);
    ASSERT_LE(engineState.jitterX, 18);
    ASSERT_GE(engineState.jitterY, 1);
    ASSERT_EQ(engineState.jitterAmplitude, 0);
    engineState.jitterX = engineState.jitterY = 0;
  }
}

TEST_F(FiguresTest, FigureBoundsTruncateAndEitherEndTheFigureOrDropTheArm) {
  engineState.endFigureAtEdge = true;
  engineState.armEnds = ArmSet{{{{300.9f, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}}};
  engineState.armEndSteps = ArmSet{{{{19.0f, 0, 0, 0}}}};
  EXPECT_TRUE(stepFigure(engineState, dc, false));   // 319.9 truncates to 319
  EXPECT_FALSE(stepFigure(engineState, dc, false));  // 338.9 is outside
  engineState.endFigureAtEdge = false;
  engineState.armEnds = ArmSet{{{{400, 0, 0, 0}, {0, 0, 0, 0}, {0, 300, 0, 0}}}};
  engineState.armEndSteps = ArmSet{};
  EXPECT_TRUE(stepFigure(engineState, dc, false));
  EXPECT_FALSE(engineState.armActive[0]);
  EXPECT_TRUE(engineState.armActive[1]);
  EXPECT_FALSE(engineState.armActive[2]);
  engineState.armEnds.arms[1][0] = -321;
  EXPECT_FALSE(stepFigure(engineState, dc, false));  // every arm dropped
}

TEST_F(FiguresTest, ContinuedFiguresStartFromTheLastEndHeldInsideTheBox) {
  engineState.drawingMode = DrawingMode::Hyperdraw;
  engineState.armEnds.arms[0] = {0, 0, 500.5f, -12.25f};
  engineState.endFigureAtEdge = false;
  stepFigure(engineState, dc, true);
  EXPECT_FLOAT_EQ(engineState.armEnds.arms[0][0], 320.0f);
  EXPECT_FLOAT_EQ(engineState.armEnds.arms[0][1], -12.25f);  // inside: kept with its fraction
  const Segment& seg = engineState.segment;
  EXPECT_FLOAT_EQ(engineState.armEndSteps.arms[0][0], seg.x1 + engineState.segmentVelocity.x1 - 320.0f);
  EXPECT_FLOAT_EQ(engineState.armControlSteps.arms[0][0],
                  engineState.controlSegment.x1 + engineState.controlVelocity.x1 - 320.0f);
}

TEST_F(FiguresTest, CornerOriginsFollowThePhase) {
  engineState.cornerOrigins = true;
  engineState.armEnds = ArmSet{};
  const std::vector<std::vector<std::string>> expected = {
      {"0 0", "0 480", "640 0", "640 480"}, {"0 0", "640 0", "320 480"}, {"320 0", "0 480", "640 480"}};
  for (int phase = 1; phase <= 3; ++phase) {
    engineState.figurePhase = FigurePhase{phase};
    stepFigure(engineState, dc, false);
    EXPECT_EQ(origins(), expected[phase - 1]) << phase;
  }
}

TEST_F(FiguresTest, HexTilingPlacesCopiesOnTheLattice) {
  engineState.screenWidth = 1920;
  engineState.screenHeight = 1080;
  engineState.centreX = 960;
  engineState.centreY = 540;
  engineState.hexTiling = true;
  engineState.armEnds = ArmSet{};
  stepFigure(engineState, dc, false);
  EXPECT_EQ(origins(), (std::vector<std::string>{"960 540", "25 0", "25 1080", "1895 0", "1895 1080"}));
  engineState.screenHeight = 0;  // no height, no lattice, and no endless loop
  engineState.centreY = 0;
  stepFigure(engineState, dc, false);
  EXPECT_EQ(origins().size(), 1u);
}

TEST_F(FiguresTest, LatticeIncludesAColumnExactlyAtOneAndAHalfWidths) {
  engineState.screenWidth = 200;
  engineState.screenHeight = 231;  // copies 200 apart: the second column falls on x = 300
  engineState.centreX = 100;
  engineState.centreY = 115;
  engineState.hexTiling = true;
  // Controls far to the left, so that the copy at x = 300 reaches back into the window.
  engineState.armEnds = ArmSet{{{{-99, 0, -50, 0}}}};
  engineState.armControls = ArmSet{{{{-250, -40, -250, -40}}}};
  stepFigure(engineState, dc, false);
  EXPECT_EQ(origins(), (std::vector<std::string>{"100 115", "-100 0", "-100 231", "300 0", "300 231"}));
}

TEST_F(FiguresTest, CrayonFigureJitterGrowsWithDistanceFromTheCentre) {
  engineState.strokeStyle = StrokeStyle::Crayon;
  engineState.armEnds = ArmSet{{{{10, 10, 20, 20}}}};  // d well under a quarter: no draws
  seedRandom(8);
  stepFigure(engineState, dc, false);
  const int next = drawRandom();
  seedRandom(8);
  EXPECT_EQ(next, drawRandom());
  // d = 130 / 240, past three of the six steps: J = 3; d = 230 / 240 > 0.875: J = 6.
  for (const auto& [end, jitter] : {std::pair{130.0f, 3}, std::pair{230.0f, 6}}) {
    int largest = 0;
    for (int i = 0; i < 500; ++i) {
      engineState.armEnds = ArmSet{{{{end, 0, end, 0}}}};
      stepFigure(engineState, dc, false);
      ASSERT_LE(std::abs(engineState.jitterX), jitter);
      largest = std::max<int>(largest, std::abs(engineState.jitterY));
    }
    EXPECT_EQ(largest, jitter);
  }
}

}  // namespace
