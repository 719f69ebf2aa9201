// The locked memory that holds a password: whole characters, whole appends,
// and nothing left behind.

#include <pthread.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <string>
#include <string_view>
#include <thread>

#include "linux/lock/secret_buffer.h"

namespace {

std::string_view held(const SecretBuffer& buffer) { return {buffer.data(), buffer.size()}; }

TEST(SecretBuffer, RemovesWholeCharactersOfEveryLength) {
  SecretBuffer buffer;
  const std::string_view text = "a\u00e9\u20ac\U0001F600";  // 1, 2, 3 and 4 bytes
  ASSERT_TRUE(buffer.append(text.data(), text.size()));
  EXPECT_EQ(buffer.characters(), 4u);
  for (const size_t left : {6u, 3u, 1u, 0u}) {
    ASSERT_TRUE(buffer.removeLastCharacter());
    EXPECT_EQ(held(buffer), text.substr(0, left));
    EXPECT_EQ(buffer.data()[left], '\0');  // the removed bytes are wiped
  }
  EXPECT_FALSE(buffer.removeLastCharacter());
}

TEST(SecretBuffer, RefusesWhatDoesNotFitWholeAndWipesOnClear) {
  SecretBuffer buffer(8);
  ASSERT_TRUE(buffer.append("secret", 6));
  EXPECT_FALSE(buffer.append("\u20ac", 3));
  EXPECT_EQ(held(buffer), "secret");
  ASSERT_TRUE(buffer.append("!!", 2));
  EXPECT_FALSE(buffer.append("!", 1));
  buffer.clear();
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(std::string(buffer.data(), 8), std::string(8, '\0'));
}

TEST(SecretBuffer, ReadsFromADescriptorWholeOrNotAtAll) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  SecretBuffer buffer(8);
  ASSERT_EQ(write(pipeEnds[1], "passwordtail", 12), 12);
  EXPECT_TRUE(buffer.readFrom(pipeEnds[0], 8));
  EXPECT_EQ(held(buffer), "password");
  EXPECT_FALSE(buffer.readFrom(pipeEnds[0], 1));  // full: nothing is read
  buffer.clear();
  close(pipeEnds[1]);
  EXPECT_FALSE(buffer.readFrom(pipeEnds[0], 6));  // "tail", then the end
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(std::string(buffer.data(), 4), std::string(4, '\0'));
  close(pipeEnds[0]);
}

TEST(SecretBuffer, AReadInterruptedByASignalGoesOn) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  // A handler without SA_RESTART: the blocked read returns EINTR.
  struct sigaction interrupt {
  }, before{};
  interrupt.sa_handler = [](int) {};
  ASSERT_EQ(sigaction(SIGUSR1, &interrupt, &before), 0);
  const pthread_t reader = pthread_self();
  std::thread writer([&] {
    using namespace std::chrono_literals;
    std::this_thread::sleep_for(100ms);  // the reader waits in read by now
    pthread_kill(reader, SIGUSR1);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(write(pipeEnds[1], "password", 8), 8);
  });
  SecretBuffer buffer(8);
  EXPECT_TRUE(buffer.readFrom(pipeEnds[0], 8));
  writer.join();
  sigaction(SIGUSR1, &before, nullptr);
  EXPECT_EQ(held(buffer), "password");
  close(pipeEnds[0]);
  close(pipeEnds[1]);
}

}  // namespace
