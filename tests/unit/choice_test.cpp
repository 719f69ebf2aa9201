// The choice of pattern, colour set and stroke style.

#include <set>

#include "engine/choice.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "state/random.h"
#include "test_support.h"

namespace {

class ChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSaverProcess();
    resetPatternFlags(settings);
    resetColorSetFlags(settings);
  }
  void enableOnlyPatterns(std::initializer_list<int> ids, bool cycle) {
    settings.patternFlags.fill(0);
    settings.patternFlags[0] = cycle;
    for (int id : ids) settings.patternFlags[id] = 1;
  }
};

TEST_F(ChoiceTest, CycleWalksTheEnabledPatternsWithoutDrawing) {
  enableOnlyPatterns({3, 7, 12}, true);
  engineState.patternId = Pattern{7};
  seedRandom(5);
  std::vector<int> order;
  for (int i = 0; i < 4; ++i) {
    choosePattern(engineState, settings);
    order.push_back(static_cast<int>(engineState.patternId));
  }
  EXPECT_EQ(order, (std::vector<int>{12, 3, 7, 12}));
  const int next = drawRandom();
  seedRandom(5);
  EXPECT_EQ(next, drawRandom());  // no number was drawn
}

TEST_F(ChoiceTest, RandomizePicksEveryEnabledEntryAndDrawsOnceEvenForOne) {
  enableOnlyPatterns({9}, false);
  engineState.patternId = Pattern::Unchosen;
  seedRandom(5);
  choosePattern(engineState, settings);
  EXPECT_EQ(engineState.patternId, Pattern::ZenGarden);
  const int afterChoice = drawRandom();
  seedRandom(5);
  drawRandom();
  EXPECT_EQ(drawRandom(), afterChoice);  // exactly one number was drawn

  enableOnlyPatterns({2, 5, 16}, false);
  std::set<int> seen;
  for (int i = 0; i < 200; ++i) {
    choosePattern(engineState, settings);
    seen.insert(static_cast<int>(engineState.patternId));
  }
  EXPECT_EQ(seen, (std::set<int>{2, 5, 16}));
}

TEST_F(ChoiceTest, EmptyListIsResetToCycleAndMarkedForSaving) {
  settings.colorSetFlags.fill(0);
  engineState.colorSetId = ColorSet::Unchosen;
  chooseColorSet(engineState, settings);
  EXPECT_EQ(engineState.colorSetId, ColorSet::AllColors);
  EXPECT_TRUE(engineState.settingsDirty);
  EXPECT_EQ(settings.colorSetFlags[0], 1u);
  EXPECT_EQ(settings.colorSetFlags[17], 1u);
  chooseColorSet(engineState, settings);
  EXPECT_EQ(engineState.colorSetId, ColorSet::LowIntensity);
}

TEST_F(ChoiceTest, AnyNonzeroValueEnablesAndCyclingWrapsPastTheLastSlot) {
  settings.patternFlags.fill(0);
  settings.patternFlags[0] = 5;
  settings.patternFlags[16] = 7;
  settings.patternFlags[4] = 2;
  engineState.patternId = Pattern::Hyperdraw;
  choosePattern(engineState, settings);
  EXPECT_EQ(engineState.patternId, Pattern::Hexatron);
  choosePattern(engineState, settings);
  EXPECT_EQ(engineState.patternId, Pattern::Hyperdraw);
  EXPECT_FALSE(engineState.settingsDirty);
}

TEST_F(ChoiceTest, CrayonShareFollowsThePercentage) {
  for (uint16_t percent : {0, 100, 250}) {
    settings.percentCrayon = percent;
    for (int i = 0; i < 100; ++i) {
      chooseStrokeStyle(engineState, settings);
      EXPECT_EQ(engineState.strokeStyle, percent == 0 ? StrokeStyle::Crisp : StrokeStyle::Crayon);
    }
  }
  settings.percentCrayon = 30;
  int crayon = 0;
  for (int i = 0; i < 10000; ++i) {
    chooseStrokeStyle(engineState, settings);
    crayon += engineState.strokeStyle == StrokeStyle::Crayon;
  }
  EXPECT_NEAR(crayon, 3000, 300);
}

}  // namespace
