#include "secret_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

bool continuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

SecretBuffer::SecretBuffer(size_t capacity) : capacity_(capacity) {
  const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  mapped_ = (capacity + page - 1) / page * page;
  if (mapped_ == 0) mapped_ = page;
  void* memory = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  memory_ = static_cast<char*>(memory);
  locked_ = mlock(memory_, mapped_) == 0;
  madvise(memory_, mapped_, MADV_DONTDUMP);
}

SecretBuffer::~SecretBuffer() {
  explicit_bzero(memory_, mapped_);
  if (locked_) munlock(memory_, mapped_);
  munmap(memory_, mapped_);
}

bool SecretBuffer::append(const char* bytes, size_t count) {
  if (count > capacity_ - size_) return false;
  if (count == 0) return true;  // bytes may be null then
  std::memcpy(memory_ + size_, bytes, count);
  size_ += count;
  return true;
}

bool SecretBuffer::readFrom(int descriptor, size_t count) {
  if (count > capacity_ - size_) return false;
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(descriptor, memory_ + size_ + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      explicit_bzero(memory_ + size_, done);
      return false;
    }
    done += static_cast<size_t>(got);
  }
  size_ += count;
  return true;
}

bool SecretBuffer::removeLastCharacter() {
  if (size_ == 0) return false;
  size_t start = size_ - 1;
  while (start > 0 && continuationByte(memory_[start])) --start;
  explicit_bzero(memory_ + start, size_ - start);
  size_ = start;
  return true;
}

void SecretBuffer::clear() {
  explicit_bzero(memory_, size_);
  size_ = 0;
}

size_t SecretBuffer::characters() const {
  size_t count = 0;
  for (size_t i = 0; i < size_; ++i)
    if (!continuationByte(memory_[i])) ++count;
  return count;
}
