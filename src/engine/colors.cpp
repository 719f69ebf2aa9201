#include "colors.h"

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

}  // namespace

uint32_t pickColor(EngineState& s) {
  using enum ColorSet;
  switch (s.colorSetId) {
    case LowIntensity: {
      const uint32_t red = lowByte(drawRandom());
      const uint32_t green = lowByte(drawRandom() % static_cast<int>(lowIntensityLimit - red));
      const uint32_t blue = lowByte(drawRandom() % static_cast<int>(lowIntensityLimit - red - green));
      return rgb(red, green, blue);
    }
    case MinimumIntensity: {
      const uint32_t blue = drawRandom() & 127, green = drawRandom() & 127, red = drawRandom() & 127;
      return rgb(red, green, blue);
    }
    case Spectrum:
      s.spectrumStep = static_cast<int16_t>((s.spectrumStep + 1) % 7);
      return spectrumColors[s.spectrumStep];
    case Red:
      return rgb(lowByte(drawRandom()), 0, 0);
    case Green:
      return rgb(0, lowByte(drawRandom()), 0);
    case Blue:
      return rgb(0, 0, lowByte(drawRandom()));
    case Magenta: {
      const uint32_t level = lowByte(drawRandom());
      return rgb(level, 0, level);
    }
    case Cyan: {
      const uint32_t level = lowByte(drawRandom());
      return rgb(0, level, level);
    }
    case Yellow: {
      const uint32_t level = lowByte(drawRandom());
      return rgb(level, level, 0);
    }
    case BlackWhiteGray: {
      const uint32_t level = lowByte(drawRandom());
      return rgb(level, level, level);
    }
    case RedCyan: {
      const uint32_t red = lowByte(drawRandom()), cyan = lowByte(drawRandom());
      return rgb(red, cyan, cyan);
    }
    case GreenMagenta: {
      const uint32_t green = lowByte(drawRandom()), magenta = lowByte(drawRandom());
      return rgb(magenta, green, magenta);
    }
    case BlueYellow: {
      const uint32_t blue = lowByte(drawRandom()), yellow = lowByte(drawRandom());
      return rgb(yellow, yellow, blue);
    }
    case NoRed: {
      const uint32_t blue = lowByte(drawRandom()), green = lowByte(drawRandom());
      return rgb(0, green, blue);
    }
    case NoGreen: {
      const uint32_t blue = lowByte(drawRandom()), red = lowByte(drawRandom());
      return rgb(red, 0, blue);
    }
    case NoBlue: {
      const uint32_t green = lowByte(drawRandom()), red = lowByte(drawRandom());
      return rgb(red, green, 0);
    }
    default: {  // All Colors
      const uint32_t blue = lowByte(drawRandom()), green = lowByte(drawRandom()), red = lowByte(drawRandom());
      return rgb(red, green, blue);
    }
  }
}

uint32_t stepColor(EngineState& s, uint32_t color) {
  using enum ColorSet;
  const int red = color & 255, green = (color >> 8) & 255, blue = (color >> 16) & 255;
  const uint32_t r = stepChannel(red, s.redRising);
  const uint32_t g = stepChannel(green, s.greenRising);
  const uint32_t b = stepChannel(blue, s.blueRising);
  switch (s.colorSetId) {
    case LowIntensity:
      return rgb((red + 1) & 127, (green + 1) & 127, (blue + 1) & 127);
    case MinimumIntensity:
      return rgb(r & 127, g & 127, b & 127);
    case Red:
      return rgb(r, 0, 0);
    case Green:
      return rgb(0, g, 0);
    case Blue:
      return rgb(0, 0, b);
    case Magenta:
      return rgb(r, 0, r);
    case Cyan:
      return rgb(0, g, g);
    case Yellow:
      return rgb(r, r, 0);
    case BlackWhiteGray:
      return rgb(r, r, r);
    case RedCyan:
      return rgb(r, g, g);
    case GreenMagenta:
      return rgb(r, g, r);
    case BlueYellow:
      return rgb(r, r, b);
    case NoRed:
      return rgb(0, g, b);
    case NoGreen:
      return rgb(r, 0, b);
    case NoBlue:
      return rgb(r, g, 0);
    default:  // All Colors and Spectrum
      return rgb(r, g, b);
  }
}
