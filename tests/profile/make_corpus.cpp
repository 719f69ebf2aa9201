// Writes a corpus of settings files for the profile reading comparison: hand-made
// cases of every kind of oddity we know of, and random files from a fixed seed.
//
// usage: make_corpus FOLDER [RANDOM_COUNT]
// Writes FOLDER/NNN.ini, FOLDER/list.txt (the file names) and FOLDER/keys.txt.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "settings/settings.h"

using namespace std::string_literals;

namespace {

// The saver's keys, in the order of its section.
std::vector<std::string> saverKeys() {
  std::vector<std::string> keys = {"Pause", "Password Required", "Timer interval", "PercentCrayon"};
  keys.insert(keys.end(), patternKeys.begin(), patternKeys.end());
  keys.insert(keys.end(), colorSetKeys.begin(), colorSetKeys.end());
  return keys;
}
const char section[] = "ScreenSaver.Lumarel";

enum class Encoding { Ansi, Utf8Bom, Utf16Le, Utf16Be, Utf16LeNoBom };

// Bytes read as Latin-1 code points, as UTF-16 units.
std::string encode(const std::string& text, Encoding encoding) {
  std::string out;
  switch (encoding) {
    case Encoding::Ansi:
      return text;
    case Encoding::Utf8Bom:
      return "\xEF\xBB\xBF" + text;
    case Encoding::Utf16Le:
    case Encoding::Utf16LeNoBom:
      if (encoding == Encoding::Utf16Le) out = "\xFF\xFE";
      for (const char c : text) out += std::string{c, '\0'};
      return out;
    case Encoding::Utf16Be:
      out = "\xFE\xFF";
      for (const char c : text) out += std::string{'\0', c};
      return out;
  }
  return out;
}

std::string utf16le(const std::u16string& text, bool bom) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (const char16_t unit : text) out += std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return out;
}

std::vector<std::string> handMade() {
  const std::string h = "[ScreenSaver.Lumarel]\r\n";
  std::vector<std::string> files = {
      "",
      h,
      h + "Timer interval=\"11\"\r\nPercentCrayon='12'\r\nPause=\"3\r\nMask=\"\r\nCrown=''\r\nRed=\"4'\r\n",
      h + "Timer interval= \" 11 \" \r\nPercentCrayon=\"\"5\"\r\nPause=\"0x1f\"\r\n",
      "\xEF\xBB\xBF" + h + "Timer interval=11\r\n",
      "\xEF\xBB\xBF\xEF\xBB\xBF" + h + "Timer interval=11\r\n",
      encode(h + "Timer interval=11\r\nMask=0\r\n", Encoding::Utf16Le),
      encode(h + "Timer interval=11\r\nMask=0\r\n", Encoding::Utf16Be),
      encode(h + "Timer interval=11\r\nMask=0\r\n", Encoding::Utf16LeNoBom),
      "\xFF\xFE",
      "\xFF\xFE[",
      "\xFE\xFF\x00[\x00S",
      "[ScreenSaver.Lumarel]\rTimer interval=11\rPause=0\r",
      "[ScreenSaver.Lumarel]\n\rTimer interval=11\n\r\n\rPause=0",
      "[ScreenSaver.Lumarel\r\nTimer interval=11\r\n[Other\r\nPause=0\r\n",
      "[Other]\r\n[ScreenSaver.Lumarel\r\nTimer interval=11\r\n",
      "[ScreenSaver.Lumarel]x]\r\nPause=0\r\n[ScreenSaver.Lumarel] trailing\r\nMask=0\r\n",
      "[ ScreenSaver.Lumarel ]\r\nPause=0\r\n",
      "  [ScreenSaver.Lumarel]  \r\nPause=0\r\n",
      "[\tScreenSaver.Lumarel]\r\nPause=0\r\n[ScreenSaver.Lumarel\t]\r\nMask=0\r\n",
      "[screensaver.LUMAREL]\r\nPAUSE=0\r\ntimer INTERVAL=9\r\n",
      h + "Timer "
          "interval=0X1f\r\nPause=0x1F\r\nMask=0xg\r\nCrown=0x\r\nRed=0b101\r\nGreen=0o17\r\nBlue=0B1\r\nCyan=0O7\r\n",
      h + "Pause=-5\r\nMask=+7\r\nCrown=--3\r\nRed=+-3\r\nGreen=- 4\r\nBlue=-0x10\r\nCyan= -\r\nYellow=+\r\n",
      h + "Pause=4294967295\r\nMask=4294967296\r\nCrown=4294967301\r\nRed=99999999999999999999\r\n"
          "Green=-2147483649\r\nBlue=0xFFFFFFFFF\r\nCyan=0x100000001\r\n",
      h + "Pause=1\r\nPause=2\r\nMask=\r\nMask=5\r\n",
      h + "Pause=1\r\n[ScreenSaver.Lumarel]\r\nPause=2\r\nMask=3\r\n",
      "Pause=4\r\nMask=5\r\n" + h + "Crown=6\r\n",
      h + "=5\r\n = 6\r\nPause\r\nMask =\r\n",
      h + "\tPause\t=\t7\t\r\nMask\t\t= \t 8\r\nLow Intensity\t=9\r\n",
      h + "Pause=a=b\r\nMask==3\r\nCrown = = 4\r\nPause=2\r\n",
      h + "; comment\r\n;Pause=3\r\n# Mask=4\r\nCrown=5 ; six\r\nRed=7;8\r\n//Green=1\r\n",
      h + "Pause=5\0"s
          "6\r\nMa\0sk=7\r\nCrown=\0"s
          "8\r\nRed \0=9\r\nGreen=\0 \r\n"s,
      "[ScreenSaver.Lumarel\0]\r\nPause=5\r\n[ScreenSaver.Lumarel]\0\r\nMask=1\r\n"s,
      "[Screen\0Saver.Lumarel]\r\nPause=5\r\n"s,
      h + "Pause=1\r\n[Foo\r\nMask=3\r\n[Pause=2\r\n",
      h + "\x0bPause\x0b=1\r\n\x0cMask\x0c=2\r\n\x1c"
          "Crown=3\r\nRed\x1f=4\r\n\x85Green=5\r\nBlue\x1a=6\r\n\x1a\x0b Cyan \x09=7\r\n",
      "\xEF\xBB\xBF" + h +
          "Mas\xE2\x84\xAA=1\r\n\xC4\xB0"
          "Cyan=2\r\nPause\xC2\x85=3\r\nCrown=\xC2\x85"
          "4\r\n",
      h + "Mas\xE2\x84\xAA=1\r\nP\xC2\xA0=2\r\n",
      utf16le(u"[ScreenSaver.Lumarel]\r\nMas\u212A=1\r\nPause\u0085=2\r\n\u00A0Crown=3\r\nRed\u2000=4\r\nGreen=\u0085"
              "5\r\n",
              true),
      "\xEF\xBB\xBF" + h +
          "Pause=1\xC2\r\nMask\xE2\x84=2\r\nCrown=\xF0\x9F=3\r\nRed=\xE0\x80"
          "4\r\n",
      h + "Pause=" + std::string(40, '0') + "12\r\nMask=" + std::string(27, '0') +
          "12\r\nCrown=" + std::string(28, '0') + "12\r\nRed=\"" + std::string(27, '0') + "12\"\r\nGreen=\"" +
          std::string(26, '0') + "12\"\r\nBlue=\"" + std::string(28, '0') + "12\"\r\n",
      h + "Pause=\x01\x02"
          "5\r\nMask=\x1a"
          "6\x1a\r\nCrown=\x0b"
          "7\x0c\r\nRed=\x7f"
          "8\r\n",
      h + "Pause=\xA0"
          "5\r\nMask=5\xA0\r\nCrown\xA0=6\r\n\xA0Red=7\r\n",
      "\xEF\xBB\xBF" + h +
          "Pause=\xC2\xA0"
          "5\r\nMask\xE3\x80\x80=6\r\nCrown=\xE2\x80\x83"
          "7\r\nRed=\xFF"
          "8\r\n",
      h + "Low Intensity =3\r\nLow Intensity  =4\r\n",
      h + "Timer interval = 12 \r\n  Pause  =   0   \r\n",
      h + std::string(5000, ' ') + "Pause=3\r\nMask=" + std::string(70000, '7') +
          "\r\nCrown=" + std::string(3000, ' ') + "9\r\n",
      "[Other]\r\nPause=0\r\n\r\n" + h + "\r\n\r\nMask=0\r\n[Third]\r\nCrown=0\r\n",
      h + "Pause = 0\r\n[ScreenSaver.Lumarel.Extra]\r\nMask=0\r\n[ScreenSaver.Lumare]\r\nCrown=0\r\n",
      h + "Pause=12abc\r\nMask=abc\r\nCrown=1 2\r\nRed=1.5\r\nGreen=1e3\r\n",
      "\x1a" + h + "Pause=0\r\n\x1a",
      h + "Pause=0\r\n\x1a[Other]\r\nMask=0\r\n",
      "\r\n\r\n\n\n" + h + "\n\r\n",
      "[]\r\nPause=0\r\n[ ]\r\nMask=0\r\n" + h + "Crown=0\r\n",
      "[ScreenSaver.Lumarel][Other]\r\nPause=0\r\n",
      "[[ScreenSaver.Lumarel]]\r\nPause=0\r\n" + h + "Mask=0\r\n",
      "\xEF\xBB\xBF",
      "\xEF\xBB",
      h + "Pause=\xEF\xBB\xBF"
          "5\r\n",
      utf16le(u"[ScreenSaver.Lumarel]\r\nPause=\u00A0"
              "5\r\nMask=\u3000"
              "6\r\nCrown=\uFF15\r\nRed=\u0660"
              "1\r\nGreen=\xFEFF"
              "2\r\n",
              true),
      utf16le(u"[ScreenSaver.Lumarel]\r\nPause=\xD800"
              "5\r\nMask=5\xDC00\r\n\xD83D\xDE00=1\r\n",
              true),
      utf16le(u"[ScreenSaver.Lumarel]\u2028Pause=3\u2029Mask=4\u0085Crown=5\r\n", true),
      utf16le(u"[ScreenSaver.Lumarel]\r\nPause=0\r\n", true) + "\x41",
      "[ScreenSaver.Lumarel]\r\n\xC0\xC1=5\r\nP\xC1use=3\r\n",
  };
  return files;
}

std::string randomValue(std::mt19937& rng) {
  static const char* const pieces[] = {
      "0", "1",  "7",  "42", "100", "65541", "4294967295", "0x", "0X", "0b",   "0o",   "-",           "+",
      " ", "\t", "\"", "'",  "a",   "F",     "x",          ";",  "=",  "\x01", "\xA0", "99999999999", "00000000000000"};
  std::string value;
  const int count = std::uniform_int_distribution<int>(0, 5)(rng);
  for (int i = 0; i < count; ++i) value += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(rng)];
  return value;
}

std::string randomKey(std::mt19937& rng) {
  static const std::vector<std::string> keys = saverKeys();
  std::string key = keys[std::uniform_int_distribution<size_t>(0, keys.size() - 1)(rng)];
  switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
    case 0:
      for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      break;
    case 1:
      key = " " + key + "\t";
      break;
    case 2:
      key.pop_back();
      break;
    case 3:
      key = ";" + key;
      break;
    default:
      break;
  }
  return key;
}

std::string randomFile(std::mt19937& rng) {
  static const char* const endings[] = {"\r\n", "\n", "\r", "\n\r", "\r\r\n", ""};
  const auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  std::string text;
  const int lineCount = 1 + pick(30);
  for (int i = 0; i < lineCount; ++i) {
    std::string line;
    switch (pick(12)) {
      case 0:
        line = "[ScreenSaver.Lumarel]";
        break;
      case 1:
        line = pick(2) ? "[Other]" : "[ScreenSaver.Lumarel";
        break;
      case 2:
        line = " [ screensaver.lumarel ] ";
        break;
      case 3: {
        line.resize(static_cast<size_t>(pick(12)));
        for (char& c : line) c = static_cast<char>(pick(256));
        break;
      }
      case 4:
        line = randomKey(rng);
        break;
      default:
        line = randomKey(rng) + (pick(3) ? "=" : " = ") + randomValue(rng);
        break;
    }
    text += line + endings[pick(4) ? pick(2) : pick(6)];
  }
  if (pick(3) == 0) text = "[ScreenSaver.Lumarel]\r\n" + text;
  switch (pick(10)) {
    case 0:
      return encode(text, Encoding::Utf8Bom);
    case 1:
      return encode(text, Encoding::Utf16Le);
    case 2:
      return encode(text, Encoding::Utf16Be);
    default:
      return text;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_corpus FOLDER [RANDOM_COUNT]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int randomCount = argc > 2 ? std::atoi(argv[2]) : 300;
  std::vector<std::string> files = handMade();
  std::mt19937 rng(20261207);
  for (int i = 0; i < randomCount; ++i) files.push_back(randomFile(rng));

  std::ofstream list(folder + "/list.txt", std::ios::binary);
  for (size_t i = 0; i < files.size(); ++i) {
    char name[24];
    std::snprintf(name, sizeof name, "%03u.ini", static_cast<unsigned>(i));
    std::ofstream(folder + "/" + name, std::ios::binary) << files[i];
    list << name << "\n";
  }
  std::ofstream keys(folder + "/keys.txt", std::ios::binary);
  for (const std::string& key : saverKeys()) keys << section << "\t" << key << "\n";
  keys << "Other\tPause\n";
  return list && keys ? 0 : 1;
}
