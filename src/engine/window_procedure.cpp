#include "window_procedure.h"

#include <algorithm>

#include "choice.h"
#include "draw_step.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "state/random.h"

namespace {

// The first Spectrum pick steps from here to the list's first colour ((1000 + 1) mod 7 = 0).
constexpr int16_t spectrumStart = 1000;
// A figure's segment reaches two thirds of the way from the centre to an edge.
constexpr double reachShare = 1.0 / 1.5;
// A figure has up to a fifth of the longer side in strokes, and more.
constexpr int strokeCountDivisor = 5;
// Background and minimum-intensity channels stay below 128.
constexpr uint32_t darkChannel = 127;
// How long the pause between two series lasts, in milliseconds.
constexpr int pauseMilliseconds = 500;
// Timer periods below these run three and two draw steps a tick.
constexpr uint16_t threeStepsBelow = 10;
constexpr uint16_t twoStepsBelow = 20;

uint32_t calendarSeconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t intervals = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  // From 100-nanosecond intervals since 1601 to seconds since 1970, modulo 2^32.
  return static_cast<uint32_t>(intervals / 10000000ULL - 11644473600ULL);
}

void onCreate(EngineState& s, Settings& settings, HWND window) {
  loadProfileNames();
  loadSettings(settings);
  seedRandom(calendarSeconds());
  s.pauseTicks = 0;
  s.patternId = Pattern::Unchosen;
  // The first pattern is random even in Cycle mode, so the cycle starts anywhere.
  const uint32_t cycle = settings.patternFlags[0];
  settings.patternFlags[0] = 0;
  choosePattern(s, settings);
  settings.patternFlags[0] = cycle;
  s.colorSetId = ColorSet::Unchosen;
  s.spectrumStep = spectrumStart;
  s.strokeStyle = StrokeStyle::Unchosen;
  s.settingsDirty = false;
  // Only the id's low 16 bits are kept, as the record always has.
  s.timerRunning = (SetTimer(window, animationTimerId, effectiveTimerInterval(settings), nullptr) & 0xFFFF) != 0;
}

void onSize(EngineState& s, LPARAM lParam) {
  // A client size is never negative; a garbled one is taken as empty.
  const int16_t width = std::max<int16_t>(0, static_cast<int16_t>(LOWORD(lParam)));
  const int16_t height = std::max<int16_t>(0, static_cast<int16_t>(HIWORD(lParam)));
  s.screenWidth = width;
  s.screenHeight = height;
  s.centreX = static_cast<int16_t>(width / 2);
  s.centreY = static_cast<int16_t>(height / 2);
  s.strokeCountSpan = static_cast<int16_t>(std::max(width, height) / strokeCountDivisor);
  s.reachLimitX = static_cast<int16_t>(width * reachShare * 0.5);
  s.reachLimitY = static_cast<int16_t>(height * reachShare * 0.5);
}

void repaint(EngineState& s, HWND window) {
  s.repaintPending = true;
  InvalidateRect(window, nullptr, FALSE);
  HDC dc = GetDC(window);
  SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(window, dc);
  ValidateRect(window, nullptr);
}

bool endsAtEdge(EdgeRule rule) {
  if (rule == EdgeRule::ThreeInFour) return (drawRandom() & 3) != 3;
  return rule == EdgeRule::Always;
}

DrawingMode drawnMode(const SeriesRules& rules, DrawingMode own) {
  int32_t total = 0, modes = 0;
  for (const ModeShare& share : rules.drawnAs) {
    total += share.shares;
    modes += share.shares > 0;
  }
  if (modes == 0) return own;
  if (modes == 1) return rules.drawnAs[0].mode;
  int32_t pick = drawRandom() % total;
  size_t choice = 0;
  while (pick >= rules.drawnAs[choice].shares) pick -= rules.drawnAs[choice++].shares;
  return rules.drawnAs[choice].mode;
}

uint32_t chooseBackgroundColor() {
  if ((drawRandom() & 1) == 0) return 0;
  const uint32_t blue = drawRandom() & darkChannel, green = drawRandom() & darkChannel,
                 red = drawRandom() & darkChannel;
  return blue << 16 | green << 8 | red;
}

void runAnimationClock(EngineState& s, const Settings& settings, HWND window) {
  if (settings.pause && s.seriesEnded) {
    const int target = pauseMilliseconds / effectiveTimerInterval(settings);
    ++s.pauseTicks;
    if (s.pauseTicks == target) {
      s.pauseTicks = 0;
      s.seriesEnded = false;
    }
    drawStep(s, window);
    return;
  }
  // A continued line is drawn one step a tick at any speed.
  if (!figureRulesOf(s.drawingMode).continuesLastFigure) {
    if (effectiveTimerInterval(settings) < threeStepsBelow) drawStep(s, window);
    if (effectiveTimerInterval(settings) < twoStepsBelow) drawStep(s, window);
  }
  drawStep(s, window);
}

}  // namespace

void prepareSeries(EngineState& s, Settings& settings, HWND window) {
  choosePattern(s, settings);
  chooseColorSet(s, settings);
  chooseStrokeStyle(s, settings);
  if (s.settingsDirty) {
    saveSettings(settings);
    s.settingsDirty = false;
  }
  const SeriesRules rules = seriesRulesOf(s.patternId);
  s.cornerOrigins = rules.cornerOrigins;
  s.endFigureAtEdge = endsAtEdge(rules.edge);
  s.drawingMode = drawnMode(rules, drawingModeOf(s.patternId));
  if (!s.cornerOrigins) s.hexTiling = (drawRandom() & 7) > 4;
  HBRUSH background = CreateSolidBrush(chooseBackgroundColor());
  const ULONG_PTR previous = SetClassLongPtrA(window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(background));
  DeleteObject(reinterpret_cast<HGDIOBJ>(previous));
}

void engineWindowProcedure(HWND window, UINT message, WPARAM, LPARAM lParam) {
  // The process-wide records are reached here, where the messages come in, and handed on.
  EngineState& s = engineState;
  switch (message) {
    case WM_CREATE:
      onCreate(s, settings, window);
      break;
    case WM_DESTROY:
      if (s.timerRunning) KillTimer(window, animationTimerId);
      break;
    case WM_SIZE:
      onSize(s, lParam);
      break;
    case WM_PAINT:
      repaint(s, window);
      break;
    case WM_ERASEBKGND:
      prepareSeries(s, settings, window);
      break;
    case WM_TIMER:
      runAnimationClock(s, settings, window);
      break;
    default:
      break;
  }
}
