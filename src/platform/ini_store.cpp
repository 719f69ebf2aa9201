#include "ini_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "internal.h"

namespace platform {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The section name of a header line, or nothing for other lines.
std::optional<std::string> headerName(const std::string& line) {
  const std::string trimmed = trimBlanks(line);
  if (trimmed.empty() || trimmed[0] != '[') return std::nullopt;
  const size_t close = trimmed.find(']');
  return trimBlanks(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool namesMatch(const std::string& fileName, const std::string& wanted) {
  return detail::equalsIgnoringCase(trimBlanks(fileName), trimBlanks(wanted));
}

bool holdsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

IniDocument::IniDocument(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    const size_t newline = text.find('\n', start);
    if (newline == std::string::npos) {
      lines_.push_back({text.substr(start), ""});
      break;
    }
    const bool crlf = newline > start && text[newline - 1] == '\r';
    const size_t contentEnd = crlf ? newline - 1 : newline;
    lines_.push_back({text.substr(start, contentEnd - start), crlf ? "\r\n" : "\n"});
    start = newline + 1;
  }
}

int IniDocument::findSection(const std::string& section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = headerName(lines_[i].content);
    if (name && namesMatch(*name, section)) return static_cast<int>(i);
  }
  return -1;
}

size_t IniDocument::sectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !headerName(lines_[i].content)) ++i;
  return i;
}

int IniDocument::findKey(size_t header, const std::string& key) const {
  const size_t end = sectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    const size_t equals = lines_[i].content.find('=');
    if (equals != std::string::npos && namesMatch(lines_[i].content.substr(0, equals), key)) return static_cast<int>(i);
  }
  return -1;
}

std::optional<std::string> IniDocument::value(const std::string& section, const std::string& key) const {
  const int header = findSection(section);
  if (header < 0) return std::nullopt;
  const int line = findKey(header, key);
  if (line < 0) return std::nullopt;
  const std::string& content = lines_[line].content;
  return trimBlanks(content.substr(content.find('=') + 1));
}

std::string IniDocument::newline() const {
  // New lines follow the file's own convention.
  for (const Line& line : lines_)
    if (!line.ending.empty()) return line.ending;
  return "\n";
}

bool IniDocument::setValue(const std::string& section, const std::string& key, const std::string& value) {
  const std::string sectionName = trimBlanks(section);
  const std::string keyName = trimBlanks(key);
  if (sectionName.empty() || keyName.empty() || holdsLineBreak(section) || holdsLineBreak(key) ||
      holdsLineBreak(value) || sectionName.find(']') != std::string::npos || keyName.find('=') != std::string::npos ||
      keyName[0] == '[')
    return false;
  const std::string eol = newline();
  const std::string newValue = trimBlanks(value);

  int header = findSection(sectionName);
  if (header >= 0) {
    const int existing = findKey(header, keyName);
    if (existing >= 0) {
      // Keep the key exactly as the file spells it; only the value changes.
      std::string& content = lines_[existing].content;
      content = content.substr(0, content.find('=') + 1) + newValue;
      return true;
    }
    // Add after the section's last non-blank line, ahead of any blank lines
    // that separate it from the next section.
    size_t insertAt = sectionEnd(header);
    while (insertAt > static_cast<size_t>(header) + 1 && trimBlanks(lines_[insertAt - 1].content).empty()) --insertAt;
    if (lines_[insertAt - 1].ending.empty()) lines_[insertAt - 1].ending = eol;
    lines_.insert(lines_.begin() + insertAt, Line{keyName + "=" + newValue, eol});
    return true;
  }
  if (!lines_.empty()) {
    if (lines_.back().ending.empty()) lines_.back().ending = eol;
    if (!trimBlanks(lines_.back().content).empty()) lines_.push_back({"", eol});
  }
  lines_.push_back({"[" + sectionName + "]", eol});
  lines_.push_back({keyName + "=" + newValue, eol});
  return true;
}

std::string IniDocument::text() const {
  std::string result;
  for (const Line& line : lines_) result += line.content + line.ending;
  return result;
}

FileRead readWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Unreadable;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return FileRead::Unreadable;
  }
  char buffer[8192];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return FileRead::Unreadable;
    }
    contents.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return FileRead::Ok;
}

bool replaceFileAtomically(const std::string& path, const std::string& contents) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Write through a symbolic link to the file it names, keeping the link.
  fs::path target = fs::path(path);
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    target = fs::canonical(target, error);
    if (error) return false;
  }

  mode_t mode = 0666;  // a new file: as the umask allows
  bool replacing = false;
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) {
    replacing = true;
    // A file the user made read-only stays untouched, even for root.
    if (!S_ISREG(info.st_mode) || access(target.c_str(), W_OK) != 0 || (info.st_mode & 0222) == 0) return false;
    mode = info.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }
  if (target.has_parent_path()) {
    fs::create_directories(target.parent_path(), error);
    if (error) return false;
  }

  const fs::path temporary =
      target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(getpid()));
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  // A replaced file keeps its permissions.
  bool ok = !replacing || fchmod(fd, mode) == 0;
  size_t written = 0;
  while (ok && written < contents.size()) {
    const ssize_t put = write(fd, contents.data() + written, contents.size() - written);
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) written += static_cast<size_t>(put);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

unsigned int parseProfileInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  unsigned int base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  unsigned int value = 0;  // wraps like the platform's own conversion
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned int digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned int>(c - '0');
    } else if (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      digit = static_cast<unsigned int>((c | 0x20) - 'a' + 10);
    } else {
      break;
    }
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

}  // namespace platform
