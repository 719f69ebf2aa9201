// Pixels in memory that the kernel backs with 2 MiB pages where it can.
#pragma once

#include "raster/framebuffer.h"

class LargePageStorage : public PixelStorage {
 public:
  uint32_t* allocate(size_t bytes) override;
  void release(uint32_t* pixels) override;
};

// The one instance: it holds nothing, and a framebuffer moved out of its
// device still releases its pixels through it.
PixelStorage* largePageStorage();
