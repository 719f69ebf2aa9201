// The lock screen's password prompt: which keys type, remove, clear and ask
// for a check, that nothing typed survives a clear, and its picture.

#include <cairo.h>
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "linux/lock/password_prompt.h"
#include "linux/lock/prompt_picture.h"

// Fontconfig and Pango's FreeType font map keep their fonts and caches to
// the end: no finding for the leak check, which still sees a picture's own.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\n"; }

namespace {

using Status = PasswordPrompt::Status;

PromptKey text(std::string_view utf8) { return {XKB_KEY_a, utf8, false}; }
PromptKey press(uint32_t keysym, bool control = false) { return {keysym, {}, control}; }
std::string_view held(const PasswordPrompt& prompt) { return {prompt.typed().data(), prompt.typed().size()}; }
bool wiped(const PasswordPrompt& prompt) {
  const char* bytes = prompt.typed().data();
  return std::all_of(bytes, bytes + prompt.typed().capacity(), [](char byte) { return byte == 0; });
}

TEST(PasswordPrompt, TypesPrintableTextWholeOrNotAtAll) {
  PasswordPrompt prompt(8);
  EXPECT_FALSE(prompt.key(press(XKB_KEY_Shift_L), 0));
  EXPECT_EQ(prompt.status(), Status::Typing);  // any key shows it
  for (const char* typed : {"a", "é", "€"}) prompt.key(text(typed), 1);
  prompt.key(text("😀"), 2);  // four bytes in the two left
  EXPECT_EQ(held(prompt), "aé€");
  EXPECT_EQ(prompt.marks(), 3u);
  // Controls (C0, DEL, C1), broken UTF-8, and anything typed with Ctrl held.
  for (const char* bad : {"\t", "x\x7f", "\x1b", "\xc2\x85", "\xff", "\xc3", "\xc0\xaf", "\xed\xa0\x80"})
    prompt.key(text(bad), 3);
  prompt.key({XKB_KEY_b, "b", true}, 4);
  EXPECT_EQ(held(prompt), "aé€");
  prompt.key(text("bc"), 5);
  EXPECT_EQ(held(prompt), "aé€bc");
}

TEST(PasswordPrompt, TakesEveryCharacterAtTheEdgesOfItsEncodedLength) {
  // U+00A0, U+07FF, U+0800, U+FFFD, U+10000 and U+10FFFF: the first and last
  // of two, three and four bytes that a key can type.
  const std::string edges = "\u00a0\u07ff\u0800\ufffd\U00010000\U0010ffff";
  PasswordPrompt prompt(32);
  for (const char* typed : {"\u00a0", "\u07ff", "\u0800", "\ufffd", "\U00010000", "\U0010ffff"})
    prompt.key(text(typed), 1);
  // Beyond U+10FFFF, five bytes, and a lone continuation byte.
  for (const char* bad : {"\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80", "\x80"}) prompt.key(text(bad), 2);
  EXPECT_EQ(held(prompt), edges);
  EXPECT_EQ(prompt.marks(), 6u);
}

TEST(PasswordPrompt, BackSpaceEscapeAndCtrlUWipeWhatTheyTakeAway) {
  PasswordPrompt prompt(16);
  prompt.key(text("a€😀"), 0);
  prompt.key(press(XKB_KEY_BackSpace), 1);
  EXPECT_EQ(held(prompt), "a€");
  EXPECT_EQ(prompt.marks(), 2u);
  for (int i = 0; i < 3; ++i) prompt.key(press(XKB_KEY_BackSpace), 2);
  EXPECT_TRUE(wiped(prompt));

  prompt.key(text("secret"), 3);
  prompt.key(press(XKB_KEY_Escape), 4);
  EXPECT_TRUE(wiped(prompt));
  prompt.key(text("u"), 5);
  EXPECT_EQ(held(prompt), "u");
  prompt.key({XKB_KEY_u, "\x15", true}, 6);
  EXPECT_TRUE(wiped(prompt));
  EXPECT_EQ(prompt.status(), Status::Typing);
}

TEST(PasswordPrompt, ChecksOnEnterAndDropsKeysUntilTheAnswer) {
  PasswordPrompt prompt;
  EXPECT_TRUE(prompt.key(press(XKB_KEY_Return), 0));  // an empty password is PAM's to judge
  prompt.key(text("pw"), 1);
  EXPECT_TRUE(prompt.key(press(XKB_KEY_KP_Enter), 2));
  prompt.checkStarted();
  EXPECT_FALSE(prompt.key(press(XKB_KEY_Return), 3));
  for (const auto& key : {text("x"), press(XKB_KEY_BackSpace), press(XKB_KEY_Escape)}) prompt.key(key, 4);
  prompt.tick(60'000);
  EXPECT_EQ(prompt.status(), Status::Checking);
  EXPECT_EQ(held(prompt), "pw");

  prompt.checkEnded(false, 5);
  EXPECT_EQ(prompt.status(), Status::Wrong);
  EXPECT_TRUE(wiped(prompt));
  prompt.key(text("n"), 6);
  EXPECT_EQ(prompt.status(), Status::Typing);
  EXPECT_EQ(held(prompt), "n");

  prompt.key(press(XKB_KEY_Return), 7);
  prompt.checkStarted();
  prompt.checkEnded(true, 8);
  EXPECT_EQ(prompt.status(), Status::Hidden);
  EXPECT_TRUE(wiped(prompt));
}

TEST(PasswordPrompt, HidesAndForgetsTenSecondsAfterTheLastKey) {
  PasswordPrompt prompt;
  EXPECT_EQ(prompt.deadline(), UINT64_MAX);
  prompt.key(text("ab"), 1'000);
  prompt.key(text("c"), 5'000);
  EXPECT_EQ(prompt.deadline(), 15'000u);
  prompt.tick(14'999);
  EXPECT_EQ(prompt.status(), Status::Typing);
  prompt.tick(15'000);
  EXPECT_EQ(prompt.status(), Status::Hidden);
  EXPECT_TRUE(wiped(prompt));
  EXPECT_EQ(prompt.deadline(), UINT64_MAX);

  prompt.key(press(XKB_KEY_Return), 20'000);
  prompt.checkStarted();
  prompt.checkEnded(false, 40'000);
  EXPECT_EQ(prompt.deadline(), 50'000u);  // "Wrong password" stays its ten seconds
}

TEST(PasswordPrompt, ChangedOnlyWhenTheLookChanges) {
  PasswordPrompt prompt;
  EXPECT_FALSE(prompt.changed());
  prompt.key(press(XKB_KEY_Shift_L), 0);
  EXPECT_TRUE(prompt.changed());
  EXPECT_FALSE(prompt.changed());
  prompt.key(press(XKB_KEY_Shift_L), 1);
  prompt.key(text("\x01"), 2);
  prompt.tick(3);
  EXPECT_FALSE(prompt.changed());
  prompt.key(text("a"), 4);
  EXPECT_TRUE(prompt.changed());
}

TEST(PromptPicture, SizeFollowsTheScale) {
  EXPECT_EQ(promptSize(120).width, 320);
  EXPECT_EQ(promptSize(120).height, 104);
  EXPECT_EQ(promptSize(180).width, 480);
  EXPECT_EQ(promptSize(180).height, 156);
  EXPECT_EQ(promptSize(240).width, 640);
  EXPECT_EQ(promptSize(240).height, 208);
  EXPECT_THROW(promptSize(leastPromptScale - 1), std::invalid_argument);
  EXPECT_THROW(promptSize(greatestPromptScale + 1), std::invalid_argument);
  uint32_t pixel = 0;
  EXPECT_THROW(drawPrompt(Status::Typing, 0, 120, &pixel, 2, 1, 4), std::invalid_argument);
  EXPECT_THROW(drawPrompt(Status::Typing, 0, 120, nullptr, 1, 1, 4), std::invalid_argument);
}

using Picture = std::vector<uint32_t>;
Picture draw(Status status, size_t marks, int scale120 = 120) {
  const auto size = promptSize(scale120);
  Picture pixels(static_cast<size_t>(size.width * size.height), 0xDEADBEEF);
  drawPrompt(status, marks, scale120, pixels.data(), size.width, size.height, size.width * 4);
  return pixels;
}

TEST(PromptPicture, StatesAndMarkCountsDrawDifferently) {
  const std::vector<Picture> pictures{draw(Status::Typing, 0), draw(Status::Typing, 3), draw(Status::Typing, 4),
                                      draw(Status::Checking, 4), draw(Status::Wrong, 0)};
  for (size_t i = 0; i < pictures.size(); ++i)
    for (size_t j = i + 1; j < pictures.size(); ++j) EXPECT_NE(pictures[i], pictures[j]) << i << " and " << j;
  const Picture& typing = pictures[1];
  EXPECT_EQ(typing.front(), 0u);  // transparent outside the rounded corner
  const uint32_t inside = typing[52 * 320 + 8];
  EXPECT_GE(inside >> 24, 0xC0u);   // nearly opaque
  EXPECT_LE(inside & 0xFF, 0x20u);  // and dark
  EXPECT_EQ(draw(Status::Hidden, 3), Picture(320 * 104, 0));
}

TEST(PromptPicture, ManyMarksStayInTheField) {
  const auto size = promptSize(180);
  const Picture none = draw(Status::Typing, 0, 180);
  const Picture many = draw(Status::Typing, 500, 180);
  EXPECT_NE(none, many);
  // Beside the field (20 logical pixels in from either side) nothing differs.
  const int field = 20 * 180 / 120;
  for (int y = 0; y < size.height; ++y)
    for (int x : {field - 2, size.width - field + 1})
      EXPECT_EQ(none[y * size.width + x], many[y * size.width + x]) << x << "," << y;
}

// With LUMAREL_PROMPT_PNGS naming a folder, writes each state at 1, 1.5 and 2
// there, to be looked at.
TEST(PromptPicture, WritesPngsToLookAt) {
  const char* folder = std::getenv("LUMAREL_PROMPT_PNGS");
  if (folder == nullptr) GTEST_SKIP() << "LUMAREL_PROMPT_PNGS names no folder";
  struct Shown {
    const char* name;
    Status status;
    size_t marks;
  };
  for (const Shown& shown :
       {Shown{"empty", Status::Typing, 0}, Shown{"typing", Status::Typing, 9}, Shown{"long", Status::Typing, 400},
        Shown{"checking", Status::Checking, 9}, Shown{"wrong", Status::Wrong, 0}})
    for (int scale : {120, 180, 240}) {
      Picture pixels = draw(shown.status, shown.marks, scale);
      const auto size = promptSize(scale);
      cairo_surface_t* surface =
          cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_ARGB32,
                                              size.width, size.height, size.width * 4);
      const std::string path = std::string(folder) + "/" + shown.name + "-" + std::to_string(scale) + ".png";
      EXPECT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
      cairo_surface_destroy(surface);
    }
}

}  // namespace
