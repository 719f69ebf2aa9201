// An INI file as text: lookups by section and key as the Windows profile
// functions make them, and edits that leave every other byte of the file as
// it was, in the file's own encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Settings files larger than this when a program first reads them are
// never replaced by it: real ones are a few kilobytes, and a larger one
// would cost time and memory.
constexpr size_t maxProfileFileSize = size_t{1} << 20;
// Files are still read, and written, up to this much more: one save of
// every setting takes a file from within the limit a little past it, and
// must neither stop halfway nor leave a file that is no longer read.
constexpr size_t profileGrowthAllowance = size_t{64} << 10;
constexpr size_t maxReadableProfileSize = maxProfileFileSize + profileGrowthAllowance;

class IniDocument {
 public:
  IniDocument() = default;
  // The file's bytes: ANSI, UTF-8 after a byte-order mark, or UTF-16 (either
  // byte order) after its mark.
  explicit IniDocument(const std::string& bytes);

  // The value of the first such key in the first such section, blanks
  // around it removed, as UTF-8; nothing when the key is missing or has no
  // "=". Names match case-insensitively, surrounding blanks ignored.
  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  // Sets or adds the key (and its section). False for names or values that
  // the file format cannot hold.
  bool setValue(const std::string& section, const std::string& key, const std::string& value);
  // The file's bytes, in its encoding.
  std::string text() const;

 private:
  enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };
  // Offsets into text_, which readWholeFile keeps far below 4 GiB.
  struct Line {
    uint32_t start;  // content: [start, end), without the line break
    uint32_t end;
    uint32_t next;       // the line break: [end, next), all of CR and LF up to the next line
    uint32_t nameStart;  // a header's or a key's name
    uint32_t nameLength;
    uint8_t kind;
  };
  struct Section {
    size_t begin;  // first line after the header (0 for the lines before any header)
    size_t end;    // one past the last line
  };
  std::string_view content(size_t line) const;
  std::string_view name(size_t line) const;
  void splitLines();
  std::optional<Section> findSection(std::string_view section) const;
  std::optional<size_t> findKey(const Section& section, std::string_view key) const;
  std::string newline() const;
  void replace(size_t from, size_t to, const std::string& with);

  Encoding encoding_ = Encoding::Ansi;
  std::string text_;    // UTF-16 files as UTF-8 (lone surrogates kept), others as stored
  std::string suffix_;  // an odd byte at the end of a UTF-16 file
  std::vector<Line> lines_;
  std::vector<uint32_t> headers_;  // the header lines, in order
  bool tooLarge_ = false;          // a text that offsets cannot span: read as empty, never edited
};

// Errors are errno values: EFBIG for a file over maxReadableProfileSize,
// EISDIR for a folder, ENXIO for anything else that is not a regular file.
int readWholeFile(const std::string& path, std::string& contents);

// One read-modify-write of a settings file, under an exclusive lock on a
// lock file beside it, so that writers in other processes wait: the edit
// gets the document (empty for a missing file) and says whether it applies
// (false: EINVAL). The file is replaced through one temporary file and a
// rename, so a crash leaves either the old or the new file. Refuses
// read-only files (EACCES), files that cannot be read and edits that would
// make one too large to read (EFBIG); creates missing parent folders.
// Returns 0 or an errno value.
int updateFile(const std::string& path, const std::function<bool(IniDocument&)>& edit);

// Reads a number as the platform's string-to-integer conversion does:
// leading characters up to the blank, an optional sign, decimal digits or
// "0x", "0o", "0b" and digits of that base up to the first other character;
// no digits at all read as 0. Wraps at 32 bits.
unsigned int parseProfileInt(std::string_view text);

// What GetPrivateProfileIntA makes of a value read from the file: one pair
// of matching quotes around it removed, cut to the 29 characters that the
// function's buffer holds, then converted; an empty result is the default.
unsigned int profileIntFromValue(std::string_view value, unsigned int defaultValue);

}  // namespace platform
