#include "ini_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace platform {
namespace {

// The characters that the profile functions trim around lines, names and
// values; ^Z is an old end-of-file mark.
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names and values end at a NUL, which the profile functions read as the
// end of the string; blanks before it stay part of the name.
std::string_view upToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// Only ASCII letters match regardless of case.
bool namesMatch(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// A requested name as the profile functions take it: a C string, blanks around it ignored.
std::string_view requestedName(std::string_view name) { return trimBlanks(upToNul(name)); }

struct ParsedLine {
  enum Kind { Blank, Header, Key } kind = Blank;
  std::string_view name;
  std::optional<std::string_view> value;
  size_t equals = std::string_view::npos;  // in the untrimmed content
};

ParsedLine parseLine(std::string_view content) {
  ParsedLine parsed;
  const std::string_view line = trimBlanks(content);
  if (line.empty()) return parsed;
  // A header ends at its last ']'; a '[' without one starts an ordinary line.
  if (line.front() == '[') {
    const size_t close = line.rfind(']');
    if (close != std::string_view::npos) {
      parsed.kind = ParsedLine::Header;
      parsed.name = upToNul(trimBlanks(line.substr(1, close - 1)));
      return parsed;
    }
  }
  parsed.kind = ParsedLine::Key;
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    parsed.name = upToNul(line);
    return parsed;
  }
  parsed.equals = static_cast<size_t>(line.data() - content.data()) + equals;
  parsed.name = upToNul(trimBlanks(line.substr(0, equals)));
  parsed.value = upToNul(trimBlanks(line.substr(equals + 1)));
  return parsed;
}

// UTF-16 files are edited as UTF-8; unpaired surrogates are kept in the
// same three-byte form, so that the conversion back gives the same units.
void appendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const auto unit = [&](size_t i) -> uint32_t {
    const auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    return static_cast<uint32_t>(high << 8 | low);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t codePoint = unit(i);
    if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 3 < bytes.size()) {
      const uint32_t next = unit(i + 2);
      if (next >= 0xDC00 && next < 0xE000) {
        codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (next - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, codePoint);
  }
  return out;
}

// The reverse of utf16ToUtf8; the text is well formed by construction.
std::string utf8ToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  const auto put = [&](uint32_t unit) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  };
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t codePoint = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t k = 1; k < length && i + k < text.size(); ++k)
      codePoint = codePoint << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    if (codePoint >= 0x10000) {
      put(0xD800 + ((codePoint - 0x10000) >> 10));
      put(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    } else {
      put(codePoint);
    }
  }
  return out;
}

// Strict UTF-8: what a UTF-16 file can take.
bool isUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length;
    uint32_t codePoint, minimum;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = codePoint << 6 | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000)) return false;
    i += length;
  }
  return true;
}

}  // namespace

IniDocument::IniDocument(const std::string& bytes) {
  if (bytes.size() >= UINT32_MAX / 2) {
    tooLarge_ = true;
    return;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    encoding_ = Encoding::Utf8;
    text_ = bytes.substr(3);
  } else if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
    encoding_ = bytes[0] == '\xFF' ? Encoding::Utf16Le : Encoding::Utf16Be;
    const std::string_view units = std::string_view(bytes).substr(2, (bytes.size() - 2) & ~size_t{1});
    text_ = utf16ToUtf8(units, encoding_ == Encoding::Utf16Be);
    suffix_ = bytes.substr(2 + units.size());
  } else {
    text_ = bytes;
  }
  splitLines();
}

void IniDocument::splitLines() {
  lines_.clear();
  headers_.clear();
  for (size_t start = 0; start < text_.size();) {
    size_t end = text_.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text_.size();
    size_t next = end;
    while (next < text_.size() && (text_[next] == '\r' || text_[next] == '\n')) ++next;
    const ParsedLine parsed = parseLine(std::string_view(text_).substr(start, end - start));
    if (parsed.kind == ParsedLine::Header) headers_.push_back(static_cast<uint32_t>(lines_.size()));
    lines_.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end), static_cast<uint32_t>(next),
                      static_cast<uint32_t>(parsed.name.data() ? parsed.name.data() - text_.data() : start),
                      static_cast<uint32_t>(parsed.name.size()), static_cast<uint8_t>(parsed.kind)});
    start = next;
  }
}

std::string_view IniDocument::name(size_t line) const {
  return std::string_view(text_).substr(lines_[line].nameStart, lines_[line].nameLength);
}

std::string_view IniDocument::content(size_t line) const {
  return std::string_view(text_).substr(lines_[line].start, lines_[line].end - lines_[line].start);
}

std::optional<IniDocument::Section> IniDocument::findSection(std::string_view section) const {
  const std::string_view wanted = requestedName(section);
  const auto endOf = [this](size_t header) {
    return header + 1 < headers_.size() ? size_t{headers_[header + 1]} : lines_.size();
  };
  // Lines before the first header make a section without a name.
  if (wanted.empty()) return Section{0, headers_.empty() ? lines_.size() : size_t{headers_[0]}};
  for (size_t h = 0; h < headers_.size(); ++h)
    if (namesMatch(name(headers_[h]), wanted)) return Section{size_t{headers_[h]} + 1, endOf(h)};
  return std::nullopt;
}

std::optional<size_t> IniDocument::findKey(const Section& section, std::string_view key) const {
  const std::string_view wanted = requestedName(key);
  for (size_t i = section.begin; i < section.end; ++i)
    if (lines_[i].kind == ParsedLine::Key && lines_[i].nameLength == wanted.size() && namesMatch(name(i), wanted))
      return i;
  return std::nullopt;
}

std::optional<std::string> IniDocument::value(const std::string& section, const std::string& key) const {
  const auto found = findSection(section);
  if (!found) return std::nullopt;
  const auto line = findKey(*found, key);
  if (!line) return std::nullopt;
  const auto text = parseLine(content(*line)).value;
  if (!text) return std::nullopt;
  return std::string(*text);
}

std::string IniDocument::newline() const {
  // New lines follow the file's own convention.
  const size_t first = text_.find_first_of("\r\n");
  if (first == std::string::npos) return "\n";
  return text_.compare(first, 2, "\r\n") == 0 ? "\r\n" : text_.substr(first, 1);
}

void IniDocument::replace(size_t from, size_t to, const std::string& with) {
  text_.replace(from, to - from, with);
  splitLines();
}

bool IniDocument::setValue(const std::string& section, const std::string& key, const std::string& value) {
  const std::string_view sectionName = trimBlanks(section);
  const std::string_view keyName = trimBlanks(key);
  const std::string_view newValue = trimBlanks(value);
  const auto breaksLine = [](std::string_view text) { return text.find_first_of("\r\n", 0) != std::string::npos; };
  const auto holdsNul = [](std::string_view text) { return text.find('\0') != std::string::npos; };
  if (sectionName.empty() || keyName.empty() || breaksLine(section) || breaksLine(key) || breaksLine(value) ||
      holdsNul(section) || holdsNul(key) || holdsNul(value) || sectionName.find(']') != std::string::npos ||
      keyName.find('=') != std::string::npos || keyName.front() == '[')
    return false;
  if (tooLarge_) return false;
  const bool utf16 = encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be;
  if (utf16 && !(isUtf8(sectionName) && isUtf8(keyName) && isUtf8(newValue))) return false;

  const auto found = findSection(sectionName);
  if (found) {
    if (const auto existing = findKey(*found, keyName)) {
      // Keep the key exactly as the file spells it; only the value changes.
      const Line& line = lines_[*existing];
      const size_t equals = parseLine(content(*existing)).equals;
      if (equals == std::string_view::npos) {
        replace(line.end, line.end, "=" + std::string(newValue));
      } else {
        replace(line.start + equals + 1, line.end, std::string(newValue));
      }
      return true;
    }
    // Add after the section's last non-blank line, ahead of any blank lines
    // that separate it from the next section.
    size_t after = found->end - 1;
    while (after >= found->begin && lines_[after].kind == ParsedLine::Blank) --after;
    const Line& line = lines_[after];
    const std::string newLine = std::string(keyName) + "=" + std::string(newValue);
    if (line.next == line.end) {
      const std::string eol = newline();
      replace(line.end, line.end, eol + newLine + eol);
    } else {
      const size_t breakLength = text_.compare(line.end, 2, "\r\n") == 0 ? 2 : 1;
      replace(line.end + breakLength, line.end + breakLength, newLine + text_.substr(line.end, breakLength));
    }
    return true;
  }
  const std::string eol = newline();
  std::string added;
  if (!lines_.empty()) {
    const Line& last = lines_.back();
    if (last.next == last.end) added += eol;
    // A blank line ahead of the new section, unless there is one.
    const bool blankBefore =
        last.kind == ParsedLine::Blank || last.next - last.end > (text_.compare(last.end, 2, "\r\n") == 0 ? 2u : 1u);
    if (!blankBefore) added += eol;
  }
  added += "[" + std::string(sectionName) + "]" + eol + std::string(keyName) + "=" + std::string(newValue) + eol;
  replace(text_.size(), text_.size(), added);
  return true;
}

std::string IniDocument::text() const {
  switch (encoding_) {
    case Encoding::Ansi:
      return text_;
    case Encoding::Utf8:
      return "\xEF\xBB\xBF" + text_;
    case Encoding::Utf16Le:
      return "\xFF\xFE" + utf8ToUtf16(text_, false) + suffix_;
    case Encoding::Utf16Be:
      return "\xFE\xFF" + utf8ToUtf16(text_, true) + suffix_;
  }
  return text_;
}

int readWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  // Not blocking: a FIFO in the file's place must not stall the reader.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  struct stat info {};
  int error = 0;
  if (fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : ENXIO;
  } else if (static_cast<uint64_t>(info.st_size) > maxReadableProfileSize) {
    error = EFBIG;
  }
  // The file may grow while it is read: read no more than the limit allows.
  char buffer[8192];
  while (error == 0) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    contents.append(buffer, static_cast<size_t>(got));
    if (contents.size() > maxReadableProfileSize) error = EFBIG;
  }
  close(fd);
  if (error) contents.clear();
  return error;
}

namespace {

// Writes the whole text to a new file and flushes it to the disk.
int writeNewFile(const std::string& path, const std::string& contents, mode_t mode, bool keepMode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
  if (fd < 0) return errno;
  // A replaced file keeps its permissions.
  int error = keepMode && fchmod(fd, mode) != 0 ? errno : 0;
  for (size_t written = 0; error == 0 && written < contents.size();) {
    const ssize_t put = write(fd, contents.data() + written, contents.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) error = put < 0 ? errno : EIO;
    if (put > 0) written += static_cast<size_t>(put);
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  return error;
}

int syncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return error;
}

class LockFile {
 public:
  explicit LockFile(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error_ = errno;
        break;
      }
    }
  }
  ~LockFile() {
    if (fd_ >= 0) close(fd_);  // also releases the lock
  }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  int error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

}  // namespace

int updateFile(const std::string& path, const std::function<bool(IniDocument&)>& edit) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Write through a symbolic link to the file it names, keeping the link.
  fs::path target = fs::path(path);
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    target = fs::canonical(target, error);
    if (error) return error.value();
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::create_directories(folder, error);
  if (error) return error.value();

  // The file itself is replaced by the rename, so the lock is on a file of its own.
  const LockFile lock((folder / ("." + target.filename().string() + ".lock")).string());
  if (lock.error()) return lock.error();

  mode_t mode = 0666;  // a new file: as the umask allows
  struct stat info {};
  const bool replacing = stat(target.c_str(), &info) == 0;
  if (replacing) {
    if (!S_ISREG(info.st_mode)) return S_ISDIR(info.st_mode) ? EISDIR : ENXIO;
    // A file the user made read-only stays untouched, even for root.
    if (access(target.c_str(), W_OK) != 0 || (info.st_mode & 0222) == 0) return EACCES;
    mode = info.st_mode & 07777;
  } else if (errno != ENOENT) {
    return errno;
  }
  std::string before;
  // A file that exists but cannot be read is never replaced: its content would be lost.
  if (const int readError = replacing ? readWholeFile(target, before) : 0; readError && readError != ENOENT)
    return readError;
  // One temporary name, used only under the lock: a writer killed halfway
  // leaves at most this file, and the next write, even one that changes
  // nothing, removes it.
  const std::string temporary = (folder / ("." + target.filename().string() + ".tmp")).string();
  unlink(temporary.c_str());
  IniDocument document(before);
  if (!edit(document)) return EINVAL;
  const std::string after = document.text();
  if (replacing && after == before) return 0;
  if (after.size() > maxReadableProfileSize) return EFBIG;

  int failure = writeNewFile(temporary, after, mode, replacing);
  if (failure == 0 && rename(temporary.c_str(), target.c_str()) != 0) failure = errno;
  if (failure) {
    unlink(temporary.c_str());
    return failure;
  }
  // The rename reaches the disk only with its folder.
  return syncFolder(folder.string());
}

unsigned int parseProfileInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  unsigned int base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    // Only lower-case prefixes count.
    const char prefix = text[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  unsigned int value = 0;  // wraps like the platform's own conversion
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned int digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned int>(c - '0');
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      digit = static_cast<unsigned int>((c | 0x20) - 'a' + 10);
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

unsigned int profileIntFromValue(std::string_view value, unsigned int defaultValue) {
  constexpr size_t bufferSize = 30;  // the function's buffer, terminator included
  const bool quoted =
      value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (quoted) value.remove_prefix(1);
  std::string_view copied = value.substr(0, bufferSize - 1);
  // The closing quote goes only when the whole value fitted (then the last
  // character cut, quote or not).
  if (quoted && bufferSize >= value.size()) copied.remove_suffix(1);
  if (copied.empty()) return defaultValue;
  return parseProfileInt(copied);
}

}  // namespace platform
