// The host's one process-wide record.
#pragma once

#include <cstdint>

#include "platform/win32.h"

typedef BOOL(WINAPI* VerifyPasswordEntry)(HWND window);
typedef HIMC(WINAPI* ImmAssociateContextEntry)(HWND window, HIMC context);

// The AC-line status when the system cannot tell it.
constexpr uint8_t acLineUnknown = 0xFF;
// The end time of the last verification before there was one.
constexpr uint32_t noVerification = 0xFFFFFFFF;

struct HostState {
  HINSTANCE instance = nullptr;
  bool win9xFamily = false;
  HWND saverWindow = nullptr;
  bool isPreview = false;
  bool closeApproved = false;
  bool verifying = false;
  HMODULE passwordModule = nullptr;
  VerifyPasswordEntry verifyPassword = nullptr;
  UINT autoPlayMessage = 0;
  HMODULE imeModule = nullptr;
  ImmAssociateContextEntry imeAssociate = nullptr;
  HIMC savedImeContext = nullptr;
  POINT lastCursor{0, 0};
  uint8_t acLineStatus = acLineUnknown;
  uint32_t lastVerifyEnd = noVerification;
};

extern HostState hostState;
