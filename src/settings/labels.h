// The names that the settings dialog shows for the patterns, slot by slot
// like the INI keys (slot 0, the Cycle switch, has none). A doubled
// ampersand shows as one. The colour sets show their INI keys.
#pragma once

#include <array>

inline constexpr std::array<const char*, 17> patternLabels = {
    "",
    "Symmetron",
    "Mask",
    "Coat-of-Arms",
    "Hexatron",
    "Cornered",
    "Screen Crystals",
    "Angels && Devils",
    "Spiderwork",
    "Zen Garden",
    "Let It Grow",
    "Crown",
    "Cartouche",
    "Mandala",
    "Algorhythm",
    "Anemone",
    "Hyperdraw",
};
