#include "large_pages.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

namespace {

// Lines that run down the screen touch a new row, and so a new page, at
// every pixel; large pages keep that from missing the address cache.
constexpr size_t largePage = size_t(2) << 20;

}  // namespace

uint32_t* LargePageStorage::allocate(size_t bytes) {
  bytes = (bytes + largePage - 1) / largePage * largePage;
  void* memory = std::aligned_alloc(largePage, bytes);
  if (!memory) return nullptr;
  madvise(memory, bytes, MADV_HUGEPAGE);
  std::memset(memory, 0, bytes);
  return static_cast<uint32_t*>(memory);
}

void LargePageStorage::release(uint32_t* pixels) { std::free(pixels); }

PixelStorage* largePageStorage() {
  // Never destroyed: framebuffers that live until the process exits release into it then.
  static LargePageStorage* const storage = new LargePageStorage;
  return storage;
}
