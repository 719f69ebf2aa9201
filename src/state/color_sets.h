// The colour sets, one row each: the id, the name (the INI key, which the
// dialog shows as its label too), the dialog's check box, and how the set
// picks and steps its colours.
#pragma once

#include <array>
#include <cstdint>

#include "resource_ids.h"
#include "slot_table.h"

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

// The channels a shade shows in, as bits.
inline constexpr uint8_t redChannel = 1, greenChannel = 2, blueChannel = 4;

enum class ColorMix {
  Shades,        // one level drawn per shade
  LowIntensity,  // channels that add up to under 381, stepped within 0..127
  Spectrum,      // the spectrum's seven colours in turn
};

struct ColorRule {
  ColorMix mix = ColorMix::Shades;
  // A new colour draws one level per shade, in this order, and shows it in the
  // shade's channels; a step moves each shade as its lowest channel steps.
  std::array<uint8_t, 3> shades{};
  // Levels and stepped channels are held within this mask.
  uint32_t levelMask = 255;
};

struct ColorSetEntry {
  ColorSet id;
  const char* key;  // in control.ini, and the dialog's label
  int checkBox;
  ColorRule rule;
};

inline constexpr std::array<uint8_t, 3> everyChannel = {blueChannel, greenChannel, redChannel};

inline constexpr auto colorSetTable = std::to_array<ColorSetEntry>({
    {ColorSet::AllColors, "All Colors", IDC_COLORS_ALL_COLORS, {.shades = everyChannel}},
    {ColorSet::LowIntensity, "Low Intensity ", IDC_COLORS_LOW_INTENSITY, {.mix = ColorMix::LowIntensity}},
    {ColorSet::MinimumIntensity,
     "Minimum Intensity",
     IDC_COLORS_MINIMUM_INTENSITY,
     {.shades = everyChannel, .levelMask = 127}},
    {ColorSet::Spectrum, "Spectrum", IDC_COLORS_SPECTRUM, {.mix = ColorMix::Spectrum, .shades = everyChannel}},
    {ColorSet::Red, "Red", IDC_COLORS_RED, {.shades = {redChannel}}},
    {ColorSet::Green, "Green", IDC_COLORS_GREEN, {.shades = {greenChannel}}},
    {ColorSet::Blue, "Blue", IDC_COLORS_BLUE, {.shades = {blueChannel}}},
    {ColorSet::Magenta, "Magenta", IDC_COLORS_MAGENTA, {.shades = {redChannel | blueChannel}}},
    {ColorSet::Cyan, "Cyan", IDC_COLORS_CYAN, {.shades = {greenChannel | blueChannel}}},
    {ColorSet::Yellow, "Yellow", IDC_COLORS_YELLOW, {.shades = {redChannel | greenChannel}}},
    {ColorSet::BlackWhiteGray,
     "Black/White/Gray",
     IDC_COLORS_BLACK_WHITE_GRAY,
     {.shades = {redChannel | greenChannel | blueChannel}}},
    {ColorSet::RedCyan, "Red/Cyan", IDC_COLORS_RED_CYAN, {.shades = {redChannel, greenChannel | blueChannel}}},
    {ColorSet::GreenMagenta,
     "Green/Magenta",
     IDC_COLORS_GREEN_MAGENTA,
     {.shades = {greenChannel, redChannel | blueChannel}}},
    {ColorSet::BlueYellow, "Blue/Yellow", IDC_COLORS_BLUE_YELLOW, {.shades = {blueChannel, redChannel | greenChannel}}},
    {ColorSet::NoRed, "No Red", IDC_COLORS_NO_RED, {.shades = {blueChannel, greenChannel}}},
    {ColorSet::NoGreen, "No Green", IDC_COLORS_NO_GREEN, {.shades = {blueChannel, redChannel}}},
    {ColorSet::NoBlue, "No Blue", IDC_COLORS_NO_BLUE, {.shades = {greenChannel, redChannel}}},
});
constexpr int32_t colorSetCount = static_cast<int32_t>(colorSetTable.size());
static_assert(rowsInSlotOrder(colorSetTable));

// Ids outside the table draw as All Colors.
constexpr const ColorRule& colorRuleOf(ColorSet id) {
  const ColorSetEntry* entry = rowOf(colorSetTable, id);
  return (entry ? *entry : colorSetTable[0]).rule;
}
