// The patterns, one row each: the id, the INI key, the dialog's label and
// check box, and the rules its series and figures are drawn by. The settings,
// the dialog, the engine, the figures and the tools all read this table.
#pragma once

#include <array>
#include <cstdint>

#include "resource_ids.h"
#include "slot_table.h"

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

// How a figure is drawn: each pattern has a mode of its own, of the same
// number (drawingModeOf); three more belong to no pattern.
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

// A pattern's own drawing mode.
constexpr DrawingMode drawingModeOf(Pattern pattern) { return static_cast<DrawingMode>(pattern); }
static_assert(DrawingMode::Hyperdraw == drawingModeOf(Pattern::Hyperdraw));

// Whether a series' figures end when an arm leaves the half-screen box, or
// only drop that arm.
enum class EdgeRule {
  Always,
  Never,
  ThreeInFour,  // one draw per series
};

struct ModeShare {
  DrawingMode mode;
  int32_t shares;
};

struct SeriesRules {
  // Copies at the screen corners rather than about the centre (and no lattice).
  bool cornerOrigins = false;
  EdgeRule edge = EdgeRule::ThreeInFour;
  // Empty: the pattern's own mode. One mode: always that one. More: one draw
  // whose remainder by the total takes the shares in this order.
  std::array<ModeShare, 3> drawnAs{};
};

// Which mirror images each figure draws, and whether the segment walker draws it.
enum class FigurePlan {
  KeepPhase,  // the last figure's phase
  FourFold,
  FourFoldArcs,
  Pair,
  FlippedPair,
  PairThenFlippedPair,  // alternately; the flipped pair takes a new colour
  GardenCycle,          // an arc walk, a flipped pair, a pair; the first two take a new colour
  ArcWalker,
  ArcWalkerOneInThree,  // else four-fold
};

// The plans that choose the pen colour of their figures themselves.
constexpr bool planPicksColors(FigurePlan plan) {
  return plan == FigurePlan::PairThenFlippedPair || plan == FigurePlan::GardenCycle;
}

// How a figure's drifting segments start.
enum class SegmentDrift {
  Free,
  CommonStart,  // the second end on the first
  Rigid,        // both ends drift alike
  RigidArcs,    // likewise, and the figure is stroked in arcs
  FromLastEnd,  // the first end where the last segment's second end was; each series picks one
};

struct FigureRules {
  FigurePlan plan = FigurePlan::KeepPhase;
  SegmentDrift drift = SegmentDrift::Free;
  // One line: each figure goes on from where the last one ended, one draw step a tick.
  bool continuesLastFigure = false;
};

struct PatternEntry {
  Pattern id;
  const char* key;    // in control.ini
  const char* label;  // in the dialog; a doubled ampersand shows as one
  int checkBox;
  SeriesRules series = {};
  FigureRules figure = {};  // of its own drawing mode
};

inline constexpr auto patternTable = std::to_array<PatternEntry>({
    {.id = Pattern::Symmetron,
     .key = "Symmetron",
     .label = "Symmetron",
     .checkBox = IDC_PATTERN_SYMMETRON,
     .series = {.edge = EdgeRule::Always},
     .figure = {.plan = FigurePlan::FourFold}},
    {.id = Pattern::Mask,
     .key = "Mask",
     .label = "Mask",
     .checkBox = IDC_PATTERN_MASK,
     .figure = {.plan = FigurePlan::ArcWalker}},
    {.id = Pattern::CoatOfArms,
     .key = "CoatOfArms",
     .label = "Coat-of-Arms",
     .checkBox = IDC_PATTERN_COAT_OF_ARMS,
     .figure = {.plan = FigurePlan::Pair}},
    {.id = Pattern::Hexatron,
     .key = "Hexatron",
     .label = "Hexatron",
     .checkBox = IDC_PATTERN_HEXATRON,
     .series = {.edge = EdgeRule::Always},
     .figure = {.plan = FigurePlan::FourFold, .drift = SegmentDrift::FromLastEnd}},
    {.id = Pattern::Cornered,
     .key = "Cornered",
     .label = "Cornered",
     .checkBox = IDC_PATTERN_CORNERED,
     .series = {.cornerOrigins = true, .drawnAs = {{{DrawingMode::Symmetron, 1}}}},
     .figure = {.plan = FigurePlan::FourFold}},
    {.id = Pattern::ScreenCrystals,
     .key = "ScreenCrystals",
     .label = "Screen Crystals",
     .checkBox = IDC_PATTERN_SCREEN_CRYSTALS,
     .series = {.edge = EdgeRule::Always, .drawnAs = {{{DrawingMode::RigidDrift, 1}, {DrawingMode::CommonStart, 1}}}}},
    {.id = Pattern::AngelsAndDevils,
     .key = "AngelsAndDevils",
     .label = "Angels && Devils",
     .checkBox = IDC_PATTERN_ANGELS_AND_DEVILS,
     .figure = {.plan = FigurePlan::PairThenFlippedPair}},
    {.id = Pattern::Spiderwork,
     .key = "Spiderwork",
     .label = "Spiderwork",
     .checkBox = IDC_PATTERN_SPIDERWORK,
     .series = {.cornerOrigins = true},
     .figure = {.continuesLastFigure = true}},
    {.id = Pattern::ZenGarden,
     .key = "ZenGarden",
     .label = "Zen Garden",
     .checkBox = IDC_PATTERN_ZEN_GARDEN,
     .figure = {.plan = FigurePlan::GardenCycle}},
    {.id = Pattern::LetItGrow,
     .key = "LetItGrow",
     .label = "Let It Grow",
     .checkBox = IDC_PATTERN_LET_IT_GROW,
     .series = {.edge = EdgeRule::Never},
     .figure = {.plan = FigurePlan::FourFold}},
    {.id = Pattern::Crown,
     .key = "Crown",
     .label = "Crown",
     .checkBox = IDC_PATTERN_CROWN,
     .figure = {.plan = FigurePlan::FlippedPair}},
    {.id = Pattern::Cartouche,
     .key = "Cartouche",
     .label = "Cartouche",
     .checkBox = IDC_PATTERN_CARTOUCHE,
     .series = {.cornerOrigins = true,
                .edge = EdgeRule::Always,
                .drawnAs = {{{DrawingMode::Spiderwork, 1}, {DrawingMode::Cornered, 7}}}}},
    {.id = Pattern::Mandala,
     .key = "Mandala",
     .label = "Mandala",
     .checkBox = IDC_PATTERN_MANDALA,
     .figure = {.plan = FigurePlan::ArcWalkerOneInThree}},
    {.id = Pattern::Algorhythm,
     .key = "Algorhythm",
     .label = "Algorhythm",
     .checkBox = IDC_PATTERN_ALGORHYTHM,
     .series =
         {.edge = EdgeRule::Never,
          .drawnAs = {{{DrawingMode::CommonStart, 1}, {DrawingMode::RigidDrift, 1}, {DrawingMode::Hexatron, 1}}}}},
    {.id = Pattern::Anemone,
     .key = "Anemone",
     .label = "Anemone",
     .checkBox = IDC_PATTERN_ANEMONE,
     .series = {.drawnAs = {{{DrawingMode::RigidArcs, 2}, {DrawingMode::Anemone, 6}}}},
     .figure = {.plan = FigurePlan::FourFoldArcs}},
    {.id = Pattern::Hyperdraw,
     .key = "Hyperdraw",
     .label = "Hyperdraw",
     .checkBox = IDC_PATTERN_HYPERDRAW,
     .figure = {.continuesLastFigure = true}},
});
constexpr int32_t patternCount = static_cast<int32_t>(patternTable.size());
static_assert(rowsInSlotOrder(patternTable));
static_assert(patternCount < static_cast<int32_t>(DrawingMode::RigidArcs), "pattern modes run into the others");

// The drawing modes of no pattern.
struct ExtraDrawingMode {
  DrawingMode mode;
  FigureRules figure;
};
inline constexpr ExtraDrawingMode extraDrawingModes[] = {
    {DrawingMode::RigidArcs, {.drift = SegmentDrift::RigidArcs}},
    {DrawingMode::CommonStart, {.plan = FigurePlan::FourFold, .drift = SegmentDrift::CommonStart}},
    {DrawingMode::RigidDrift, {.plan = FigurePlan::FourFold, .drift = SegmentDrift::Rigid}},
};

// A series of a pattern outside the table takes the default rules.
constexpr SeriesRules seriesRulesOf(Pattern pattern) {
  const PatternEntry* entry = rowOf(patternTable, pattern);
  return entry ? entry->series : SeriesRules{};
}

// A mode of no row (a fresh process's 0) keeps the phase and drifts freely.
constexpr FigureRules figureRulesOf(DrawingMode mode) {
  if (const PatternEntry* entry = rowOf(patternTable, mode)) return entry->figure;
  for (const ExtraDrawingMode& extra : extraDrawingModes)
    if (extra.mode == mode) return extra.figure;
  return {};
}
