#include "password_prompt.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

// Whether text is well-formed UTF-8 without control characters (C0, DEL and
// C1): what a key types into a password, and nothing a terminal would act on.
bool printable(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 1;
    char32_t point = lead;
    char32_t least = 0;  // below it, the sequence is overlong
    if (lead >= 0xF0 && lead < 0xF8) {
      length = 4, point = lead & 0x07, least = 0x10000;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3, point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xC0 && lead < 0xE0) {
      length = 2, point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0x80) {
      return false;
    }
    if (length > text.size() - at) return false;
    for (size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0) != 0x80) return false;
      point = point << 6 | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) return false;
    if (point < 0x20 || (point >= 0x7F && point < 0xA0)) return false;
    at += length;
  }
  return true;
}

}  // namespace

bool PasswordPrompt::key(const PromptKey& key, uint64_t now) {
  if (status_ == Status::Checking) return false;
  lastKey_ = now;
  if (status_ != Status::Typing) {
    clear();
    show(Status::Typing);
  }
  const size_t before = typed_.size();
  switch (key.keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
      // Also with nothing typed: PAM decides whether an empty password will do.
      return true;
    case XKB_KEY_BackSpace:
      typed_.removeLastCharacter();
      break;
    case XKB_KEY_Escape:
      typed_.clear();
      break;
    default:
      // With Ctrl held a key types nothing; Ctrl+U clears, as in a terminal.
      if (key.control) {
        if (key.keysym == XKB_KEY_u || key.keysym == XKB_KEY_U) typed_.clear();
      } else if (!key.text.empty() && printable(key.text)) {  // an empty view may have no data
        typed_.append(key.text.data(), key.text.size());
      }
  }
  if (typed_.size() != before) changed_ = true;
  return false;
}

void PasswordPrompt::checkStarted() { show(Status::Checking); }

void PasswordPrompt::checkEnded(bool accepted, uint64_t now) {
  if (status_ != Status::Checking) return;  // a late answer to no check
  clear();
  lastKey_ = now;
  show(accepted ? Status::Hidden : Status::Wrong);
}

void PasswordPrompt::tick(uint64_t now) {
  if (deadline() != UINT64_MAX && now >= deadline()) {
    clear();
    show(Status::Hidden);
  }
}

uint64_t PasswordPrompt::deadline() const {
  if (status_ != Status::Typing && status_ != Status::Wrong) return UINT64_MAX;
  return lastKey_ > UINT64_MAX - idleTimeout ? UINT64_MAX : lastKey_ + idleTimeout;
}

bool PasswordPrompt::changed() {
  const bool was = changed_;
  changed_ = false;
  return was;
}

void PasswordPrompt::show(Status status) {
  if (status_ == status) return;
  status_ = status;
  changed_ = true;
}

void PasswordPrompt::clear() {
  if (typed_.size() == 0) return;
  typed_.clear();
  changed_ = true;
}
