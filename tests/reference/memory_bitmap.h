// A device context drawing into a top-down 32-bit memory bitmap (0x00RRGGBB
// pixels), with the null brush and R2_COPYPEN: the state the saver draws in.
#pragma once

#include <windows.h>

inline HDC memoryBitmap(int width, int height, void*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  SelectObject(dc, bitmap);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  SetROP2(dc, R2_COPYPEN);
  return dc;
}
