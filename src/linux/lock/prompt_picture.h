// The password prompt's picture, drawn with Pango and Cairo into memory the
// front end gives (a shared-memory buffer on a subsurface above the figures).
#pragma once

#include <cstddef>
#include <cstdint>

#include "password_prompt.h"

struct PromptSize {
  int width;
  int height;
};

// The scales the picture is drawn at, in 120ths (120 = 1, 180 = 1.5).
constexpr int leastPromptScale = 60;
constexpr int greatestPromptScale = 960;

// The prompt's size in device pixels at a scale in 120ths; throws
// std::invalid_argument for a scale outside the range above.
PromptSize promptSize(int scale120);

// Draws it: ARGB32 premultiplied (Wayland's WL_SHM_FORMAT_ARGB8888), width x
// height pixels with stride bytes a row; a dark translucent rounded box on
// transparency, one dot a typed character (never the characters), and the
// status line. Hidden draws all transparent. Marks shrink to fit the field
// and, past the smallest, as many as fit are shown. Throws
// std::invalid_argument for a buffer that cannot hold that shape or a scale
// out of range, std::runtime_error when Cairo fails.
void drawPrompt(PasswordPrompt::Status status, size_t marks, int scale120, uint32_t* pixels, int width, int height,
                int stride);
