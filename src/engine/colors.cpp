#include "colors.h"

#include <bit>

#include "state/random.h"

namespace {

constexpr uint32_t spectrumColors[7] = {0x0000FF, 0x003FAF, 0x007F7F, 0x00FF00, 0x7F7F00, 0xFF0000, 0x7F007F};

// A low-intensity colour's channels add up to less than this.
constexpr int lowIntensityLimit = 381;

uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }

uint32_t lowByte(int value) { return static_cast<uint32_t>(value) & 255; }

// Turns a channel's direction at the ends of its range, then steps it.
int stepChannel(int value, bool& rising) {
  if (value == 255) {
    rising = false;
  } else if (value == 0) {
    rising = true;
  }
  return rising ? value + 1 : value - 1;
}

// A level shown in each channel of a shade.
uint32_t inChannels(uint32_t level, uint8_t shade) {
  return (shade & redChannel ? level : 0) | (shade & greenChannel ? level << 8 : 0) |
         (shade & blueChannel ? level << 16 : 0);
}

}  // namespace

uint32_t pickColor(EngineState& s) {
  const ColorRule& rule = colorRuleOf(s.colorSetId);
  switch (rule.mix) {
    case ColorMix::LowIntensity: {
      const uint32_t red = lowByte(drawRandom());
      const uint32_t green = lowByte(drawRandom() % static_cast<int>(lowIntensityLimit - red));
      const uint32_t blue = lowByte(drawRandom() % static_cast<int>(lowIntensityLimit - red - green));
      return rgb(red, green, blue);
    }
    case ColorMix::Spectrum:
      s.spectrumStep = static_cast<int16_t>((s.spectrumStep + 1) % 7);
      return spectrumColors[s.spectrumStep];
    case ColorMix::Shades:
      break;
  }
  uint32_t color = 0;
  for (const uint8_t shade : rule.shades)
    if (shade != 0) color |= inChannels(drawRandom() & rule.levelMask, shade);
  return color;
}

uint32_t stepColor(EngineState& s, uint32_t color) {
  const int red = color & 255, green = (color >> 8) & 255, blue = (color >> 16) & 255;
  const uint32_t stepped[3] = {static_cast<uint32_t>(stepChannel(red, s.redRising)),
                               static_cast<uint32_t>(stepChannel(green, s.greenRising)),
                               static_cast<uint32_t>(stepChannel(blue, s.blueRising))};
  const ColorRule& rule = colorRuleOf(s.colorSetId);
  if (rule.mix == ColorMix::LowIntensity) return rgb((red + 1) & 127, (green + 1) & 127, (blue + 1) & 127);
  uint32_t next = 0;
  for (const uint8_t shade : rule.shades)
    if (shade != 0) next |= inChannels(stepped[std::countr_zero(shade)] & rule.levelMask, shade);
  return next;
}
