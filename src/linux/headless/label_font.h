// A small bitmap font for the captions of rendered pictures.
#pragma once

#include <string>

#include "raster/framebuffer.h"

constexpr int labelGlyphWidth = 5;
constexpr int labelGlyphHeight = 7;

// Draws the text in capitals, each font pixel as a scale x scale block, with
// its top-left corner at (x, y); characters without a glyph show as blanks.
void drawLabel(Framebuffer& target, int x, int y, const std::string& text, int scale, uint32_t color);
// The width in pixels that drawLabel covers.
int labelWidth(const std::string& text, int scale);
