// Any keys, checks and ticks through the password prompt, against a model of
// what it holds (the byte length of each character typed): text goes in whole
// or not at all and never past the capacity, BackSpace takes one character,
// the marks count the characters, keys wait for a running check, and after
// every clear no byte of what was typed is left.

#include <fuzzer/FuzzedDataProvider.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "linux/lock/password_prompt.h"

namespace {

using Status = PasswordPrompt::Status;

constexpr uint32_t interestingKeys[] = {XKB_KEY_Return,    XKB_KEY_KP_Enter, XKB_KEY_BackSpace,  XKB_KEY_Escape,
                                        XKB_KEY_u,         XKB_KEY_U,        XKB_KEY_a,          XKB_KEY_Shift_L,
                                        XKB_KEY_Control_L, XKB_KEY_Delete,   XKB_KEY_dead_acute, XKB_KEY_Tab};

bool continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

bool wipedFrom(const SecretBuffer& buffer, size_t from) {
  return std::all_of(buffer.data() + from, buffer.data() + buffer.capacity(), [](char byte) { return byte == 0; });
}

std::string encode(char32_t point) {
  std::string bytes;
  if (point < 0x80) return bytes += static_cast<char>(point), bytes;
  const int extra = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
  bytes += static_cast<char>(((0xFF00 >> (extra + 1)) & 0xFF) | point >> (6 * extra));
  for (int i = extra - 1; i >= 0; --i) bytes += static_cast<char>(0x80 | ((point >> (6 * i)) & 0x3F));
  return bytes;
}

bool printablePoint(char32_t point) {
  return point >= 0x20 && !(point >= 0x7F && point < 0xA0) && !(point >= 0xD800 && point < 0xE000);
}

struct Model {
  std::vector<size_t> lengths;  // of each character held, in bytes
  size_t bytes() const { return std::accumulate(lengths.begin(), lengths.end(), size_t{0}); }
};

// The text a key produces: either characters of our making, which must go in
// when they fit, or any bytes at all.
struct KeyText {
  std::string bytes;
  bool mustFit;
};

KeyText keyText(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return {input.ConsumeRandomLengthString(8), false};
  KeyText text{"", true};
  for (int count = input.ConsumeIntegralInRange(0, 3); count > 0; --count) {
    const char32_t point = input.ConsumeIntegralInRange<char32_t>(0, 0x10FFFF);
    text.mustFit = text.mustFit && printablePoint(point);
    text.bytes += encode(point);
  }
  return text;
}

void pressKey(FuzzedDataProvider& input, PasswordPrompt& prompt, Model& model, uint64_t now) {
  const uint32_t keysym =
      input.ConsumeBool() ? input.PickValueInArray(interestingKeys) : input.ConsumeIntegral<uint32_t>();
  const KeyText text = keyText(input);
  const bool control = input.ConsumeBool();
  const Status before = prompt.status();
  const size_t size = prompt.typed().size();
  const bool check = prompt.key({keysym, text.bytes, control}, now);

  if (before == Status::Checking) {
    require(!check && prompt.status() == Status::Checking && prompt.typed().size() == size, "keys wait for a check");
    return;
  }
  require(prompt.status() == Status::Typing, "a key shows the prompt");
  require(check == (keysym == XKB_KEY_Return || keysym == XKB_KEY_KP_Enter), "Enter and only Enter checks");
  if (before != Status::Typing) require(size == 0, "the prompt starts empty");
  if (keysym == XKB_KEY_BackSpace) {
    if (!model.lengths.empty()) model.lengths.pop_back();
  } else if (keysym == XKB_KEY_Escape || (control && (keysym == XKB_KEY_u || keysym == XKB_KEY_U))) {
    require(prompt.typed().size() == 0 && wipedFrom(prompt.typed(), 0), "a clear wipes every byte");
    model.lengths.clear();
  } else if (prompt.typed().size() != size) {
    require(!control && !check, "only plain keys type");
    require(prompt.typed().size() == size + text.bytes.size() &&
                std::memcmp(prompt.typed().data() + size, text.bytes.data(), text.bytes.size()) == 0,
            "text goes in whole");
    require(!continuation(text.bytes.front()), "text starts with a character");
    require(std::none_of(text.bytes.begin(), text.bytes.end(),
                         [](char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F; }),
            "no control characters");
    for (char byte : text.bytes) continuation(byte) ? void(++model.lengths.back()) : model.lengths.push_back(1);
  } else {
    require(
        !text.mustFit || text.bytes.empty() || control || check || text.bytes.size() > prompt.typed().capacity() - size,
        "printable text that fits goes in");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  PasswordPrompt prompt(input.ConsumeIntegralInRange<size_t>(0, 48));
  Model model;
  uint64_t now = input.ConsumeIntegral<uint32_t>();
  while (input.remaining_bytes() > 0) {
    // Mostly forward, sometimes anywhere (a clock is not to be trusted).
    now = input.ConsumeIntegralInRange(0, 15) == 0 ? input.ConsumeIntegral<uint64_t>()
                                                   : now + input.ConsumeIntegralInRange<uint64_t>(0, 12'000);
    const Status before = prompt.status();
    switch (input.ConsumeIntegralInRange(0, 5)) {
      case 0:
        prompt.checkStarted();
        require(prompt.status() == Status::Checking, "a check shows");
        break;
      case 1: {
        const bool accepted = input.ConsumeBool();
        prompt.checkEnded(accepted, now);
        if (before == Status::Checking) {
          require(prompt.status() == (accepted ? Status::Hidden : Status::Wrong) && wipedFrom(prompt.typed(), 0),
                  "an answer wipes what was typed");
          model.lengths.clear();
        }
        break;
      }
      case 2: {
        const uint64_t deadline = prompt.deadline();
        prompt.tick(now);
        if (before == Status::Checking || before == Status::Hidden)
          require(deadline == UINT64_MAX && prompt.status() == before, "nothing to time");
        const bool due = deadline != UINT64_MAX && now >= deadline;
        require(prompt.status() == (due ? Status::Hidden : before), "hides when due and only then");
        if (due) {
          require(wipedFrom(prompt.typed(), 0), "ten idle seconds wipe");
          model.lengths.clear();
        }
        break;
      }
      default:
        pressKey(input, prompt, model, now);
    }
    const SecretBuffer& typed = prompt.typed();
    require(typed.size() <= typed.capacity(), "within the capacity");
    require(typed.size() == model.bytes() && prompt.marks() == model.lengths.size(), "a mark a character typed");
    require(wipedFrom(typed, typed.size()), "nothing past what is held");
  }
  return 0;
}
