// Memory for a password: locked into RAM (never swapped), left out of core
// dumps, and wiped whenever what it holds is given up.
#pragma once

#include <cstddef>
#include <string>

class SecretBuffer {
 public:
  // Room for capacity bytes. Whether the memory could be locked is
  // locked(): a caller that must not hold a password in swappable memory
  // refuses to go on without it.
  explicit SecretBuffer(size_t capacity = 512);
  ~SecretBuffer();
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;

  bool locked() const { return locked_; }
  // Appends the bytes whole, or (when they would not fit) not at all.
  bool append(const char* bytes, size_t count);
  // Appends count bytes read from the descriptor straight into the locked
  // memory, so that no other copy is made; whole or (when they do not fit,
  // or the descriptor ends or fails first) not at all.
  bool readFrom(int descriptor, size_t count);
  // Takes away the last UTF-8 character; false when there is none.
  bool removeLastCharacter();
  void clear();

  const char* data() const { return memory_; }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  // How many UTF-8 characters it holds (continuation bytes do not count).
  size_t characters() const;

 private:
  char* memory_ = nullptr;
  size_t capacity_ = 0;
  size_t mapped_ = 0;
  size_t size_ = 0;
  bool locked_ = false;
};
