// Colour picking and stepping per colour set.

#include "engine/colors.h"
#include "state/engine_state.h"
#include "state/random.h"
#include "test_support.h"

namespace {

using enum ColorSet;

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
uint32_t red(uint32_t c) { return c & 255; }
uint32_t green(uint32_t c) { return (c >> 8) & 255; }
uint32_t blue(uint32_t c) { return (c >> 16) & 255; }

class ColorsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetSaverProcess(); }
  void use(ColorSet set) { engineState.colorSetId = set; }
};

TEST_F(ColorsTest, StepTurnsEachChannelAtTheEndsOfItsRange) {
  use(AllColors);
  EXPECT_EQ(stepColor(engineState, rgb(0, 0, 0)), rgb(1, 1, 1));
  EXPECT_TRUE(engineState.redRising && engineState.greenRising && engineState.blueRising);
  EXPECT_EQ(stepColor(engineState, rgb(255, 255, 255)), rgb(254, 254, 254));
  EXPECT_FALSE(engineState.redRising || engineState.greenRising || engineState.blueRising);
  EXPECT_EQ(stepColor(engineState, rgb(10, 20, 30)), rgb(9, 19, 29));  // directions carry on between the ends
}

TEST_F(ColorsTest, SpectrumCyclesFromRedAfterWindowCreation) {
  use(Spectrum);
  engineState.spectrumStep = 1000;
  const uint32_t expected[] = {0x0000FF, 0x003FAF, 0x007F7F, 0x00FF00, 0x7F7F00, 0xFF0000, 0x7F007F, 0x0000FF};
  for (uint32_t color : expected) EXPECT_EQ(pickColor(engineState), color);
  EXPECT_EQ(stepColor(engineState, 0x0000FF), rgb(254, 1, 1));
}

TEST_F(ColorsTest, LowIntensityPicksStayUnder381) {
  use(LowIntensity);
  for (int i = 0; i < 2000; ++i) {
    const uint32_t c = pickColor(engineState);
    EXPECT_LE(red(c) + green(c) + blue(c), 380u);
  }
}

TEST_F(ColorsTest, MinimumIntensityWrapsAnUpwardChannelAt127) {
  use(MinimumIntensity);
  engineState.redRising = true;
  EXPECT_EQ(red(stepColor(engineState, rgb(127, 5, 5))), 0u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(pickColor(engineState) & ~0x7F7F7Fu, 0u);
}

TEST_F(ColorsTest, EverySetKeepsItsHueFamilyUnderAnyNumberOfSteps) {
  struct Family {
    ColorSet set;
    bool (*holds)(uint32_t);
  };
  const Family families[] = {
      {Red, [](uint32_t c) { return green(c) == 0 && blue(c) == 0; }},
      {Green, [](uint32_t c) { return red(c) == 0 && blue(c) == 0; }},
      {Blue, [](uint32_t c) { return red(c) == 0 && green(c) == 0; }},
      {Magenta, [](uint32_t c) { return red(c) == blue(c) && green(c) == 0; }},
      {Cyan, [](uint32_t c) { return green(c) == blue(c) && red(c) == 0; }},
      {Yellow, [](uint32_t c) { return red(c) == green(c) && blue(c) == 0; }},
      {BlackWhiteGray, [](uint32_t c) { return red(c) == green(c) && green(c) == blue(c); }},
      {RedCyan, [](uint32_t c) { return green(c) == blue(c); }},
      {GreenMagenta, [](uint32_t c) { return red(c) == blue(c); }},
      {BlueYellow, [](uint32_t c) { return red(c) == green(c); }},
      {NoRed, [](uint32_t c) { return red(c) == 0; }},
      {NoGreen, [](uint32_t c) { return green(c) == 0; }},
      {NoBlue, [](uint32_t c) { return blue(c) == 0; }},
  };
  for (const Family& family : families) {
    use(family.set);
    for (int figure = 0; figure < 20; ++figure) {
      uint32_t c = pickColor(engineState);
      for (int stroke = 0; stroke < 600; ++stroke) {
        ASSERT_TRUE(family.holds(c)) << "set " << static_cast<int>(family.set) << " colour " << std::hex << c;
        ASSERT_EQ(c >> 24, 0u);
        c = stepColor(engineState, c);
      }
    }
  }
}

TEST_F(ColorsTest, ColorCarriedIntoAnotherSetIsSteppedByTheNewRule) {
  use(Red);
  const uint32_t picked = pickColor(engineState);
  use(Blue);
  EXPECT_EQ(stepColor(engineState, picked), rgb(0, 0, 1));
  use(BlackWhiteGray);
  uint32_t grey = rgb(40, 40, 40);
  for (int i = 0; i < 300; ++i) grey = stepColor(engineState, grey);
  EXPECT_TRUE(red(grey) == green(grey) && green(grey) == blue(grey));
}

}  // namespace
