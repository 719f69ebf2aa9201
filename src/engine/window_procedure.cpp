#include "window_procedure.h"

#include <algorithm>

#include "choice.h"
#include "draw_step.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "state/random.h"

namespace {

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
  s.patternId = noSelection;
  // The first pattern is random even in Cycle mode, so the cycle starts anywhere.
  const uint32_t cycle = settings.patternFlags[0];
  settings.patternFlags[0] = 0;
  choosePattern(s, settings);
  settings.patternFlags[0] = cycle;
  s.colorSetId = noSelection;
  s.spectrumStep = 1000;
  s.strokeStyle = 16;
  s.settingsDirty = 0;
  s.timerRunning =
      static_cast<int16_t>(SetTimer(window, animationTimerId, effectiveTimerInterval(settings), nullptr) & 0xFFFF);
}

void onSize(EngineState& s, LPARAM lParam) {
  // A client size is never negative; a garbled one is taken as empty.
  const int16_t width = std::max<int16_t>(0, static_cast<int16_t>(LOWORD(lParam)));
  const int16_t height = std::max<int16_t>(0, static_cast<int16_t>(HIWORD(lParam)));
  s.screenWidth = width;
  s.screenHeight = height;
  s.centreX = static_cast<int16_t>(width / 2);
  s.centreY = static_cast<int16_t>(height / 2);
  s.strokeCountSpan = static_cast<int16_t>(std::max(width, height) / 5);
  s.reachLimitX = static_cast<int16_t>(width * (1.0 / 1.5) * 0.5);
  s.reachLimitY = static_cast<int16_t>(height * (1.0 / 1.5) * 0.5);
}

void repaint(EngineState& s, HWND window) {
  s.repaintPending = 1;
  InvalidateRect(window, nullptr, FALSE);
  HDC dc = GetDC(window);
  SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(window, dc);
  ValidateRect(window, nullptr);
}

// "default" in the pattern rule table: three figures in four end at the edge.
void defaultEdgeRule(EngineState& s) { s.endFigureAtEdge = (drawRandom() & 3) != 3; }

void applyPatternRule(EngineState& s) {
  switch (s.patternId) {
    case Symmetron:
    case Hexatron:
      break;
    case ScreenCrystals:
      s.drawingMode = (drawRandom() & 1) ? CommonStart : RigidDrift;
      break;
    case LetItGrow:
      s.endFigureAtEdge = 0;
      break;
    case Cartouche: {
      const int r = drawRandom();
      s.endFigureAtEdge = 1;
      s.cornerOrigins = 1;
      s.drawingMode = (r & 7) != 0 ? Cornered : Spiderwork;
      break;
    }
    case Algorhythm: {
      const int choice = drawRandom() % 3;
      constexpr int32_t modes[3] = {CommonStart, RigidDrift, Hexatron};
      s.drawingMode = modes[choice];
      s.endFigureAtEdge = 0;
      break;
    }
    default:
      defaultEdgeRule(s);
      break;
  }
}

uint32_t chooseBackgroundColor() {
  if ((drawRandom() & 1) == 0) return 0;
  const uint32_t blue = drawRandom() & 127, green = drawRandom() & 127, red = drawRandom() & 127;
  return blue << 16 | green << 8 | red;
}

void runAnimationClock(EngineState& s, const Settings& settings, HWND window) {
  if (settings.pause && s.seriesEnded) {
    const int target = 500 / effectiveTimerInterval(settings);
    ++s.pauseTicks;
    if (s.pauseTicks == target) {
      s.pauseTicks = 0;
      s.seriesEnded = 0;
    }
    drawStep(s, window);
    return;
  }
  if (s.drawingMode != Hyperdraw && s.drawingMode != Spiderwork) {
    if (effectiveTimerInterval(settings) < 10) drawStep(s, window);
    if (effectiveTimerInterval(settings) < 20) drawStep(s, window);
  }
  drawStep(s, window);
}

}  // namespace

void prepareSeries(EngineState& s, Settings& settings, HWND window) {
  choosePattern(s, settings);
  s.drawingMode = s.patternId;
  chooseColorSet(s, settings);
  chooseStrokeStyle(s, settings);
  if (s.settingsDirty) {
    saveSettings(settings);
    s.settingsDirty = 0;
  }
  const bool corners = s.patternId == Cornered || s.patternId == Spiderwork;
  s.cornerOrigins = corners;
  s.endFigureAtEdge = !corners;
  applyPatternRule(s);
  if (s.patternId == Anemone) {
    if ((drawRandom() & 7) <= 1) s.drawingMode = RigidArcs;
  } else if (s.patternId == Cornered) {
    s.drawingMode = Symmetron;
  }
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
