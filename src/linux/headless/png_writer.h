// Writes a framebuffer as an 8-bit RGB PNG file.
#pragma once

#include <string>

#include "raster/framebuffer.h"

// False (with a reason) when the file cannot be written.
bool writePng(const Framebuffer& image, const std::string& path, std::string& error);
