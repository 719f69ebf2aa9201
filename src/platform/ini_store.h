// An INI file as text: lookups by section and key, and edits that leave every
// other byte of the file as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(const std::string& text);

  // Section and key names match case-insensitively, surrounding blanks ignored.
  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  // Sets or adds the key (and its section). False for names or values that
  // the file format cannot hold.
  bool setValue(const std::string& section, const std::string& key, const std::string& value);
  std::string text() const;

 private:
  struct Line {
    std::string content;  // without the line ending
    std::string ending;   // "\r\n", "\n" or "" for a last line without one
  };
  // Index of the section's header line, or -1.
  int findSection(const std::string& section) const;
  // One past the section's last line.
  size_t sectionEnd(size_t header) const;
  int findKey(size_t header, const std::string& key) const;
  std::string newline() const;

  std::vector<Line> lines_;
};

enum class FileRead { Ok, Missing, Unreadable };
FileRead readWholeFile(const std::string& path, std::string& contents);

// Replaces the file through a temporary file and a rename, so that a crash or
// a full disk leaves either the old or the new file, never a truncated one.
// Refuses read-only files. Creates missing parent folders.
bool replaceFileAtomically(const std::string& path, const std::string& contents);

// Reads a number as Win32's GetPrivateProfileIntA does: leading blanks, an
// optional sign, decimal or 0x-hexadecimal digits up to the first other
// character; no digits at all read as 0.
unsigned int parseProfileInt(const std::string& text);

}  // namespace platform
