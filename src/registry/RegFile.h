#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace sigpatch {

/// One value line of a .reg file: "Name"=data, @=data, or "Name"=- (deletion).
struct RegFileValue {
  std::u16string Name;  // empty: the key's default value ("@")
  bool Delete = false;
  std::uint32_t Type = 0;
  std::vector<std::uint8_t> Data;
  bool operator==(const RegFileValue&) const = default;
};

/// One key section: [path] with its values, or [-path] (deletion of the key tree).
struct RegFileKey {
  /// The key path with the root's full name ("HKEY_LOCAL_MACHINE\SOFTWARE\X").
  std::u16string Path;
  bool Delete = false;
  std::vector<RegFileValue> Values;
  int Line = 0;  // where the section begins in the file it was read from
  bool operator==(const RegFileKey& other) const {
    return Path == other.Path && Delete == other.Delete && Values == other.Values;
  }
};

struct RegFileContent {
  std::vector<RegFileKey> Keys;
};

/// A .reg file that cannot be read or written, with the line at fault (0 for
/// the file as a whole).
class RegFileError : public std::exception {
 public:
  RegFileError(int line, std::u16string message);
  int Line() const { return line_; }
  /// "line 7: ..." (or the message alone for line 0).
  const std::u16string& Message() const { return message_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int line_;
  std::u16string message_;
  std::string what_;
};

/// Registration files as the system's registry editor reads and writes them.
class RegFile {
 public:
  /// Reads the bytes of a "Windows Registry Editor Version 5.00" file (UTF-16LE
  /// with its byte-order mark as the registry editor writes it, or UTF-8) or of a
  /// "REGEDIT4" file (Windows-1252, its text data stored as UTF-16 as the
  /// system's importer stores it). Raises RegFileError for anything it cannot read.
  static RegFileContent Parse(std::string_view bytes);

  /// The text of a "Windows Registry Editor Version 5.00" file with CR LF line
  /// ends. Raises RegFileError for a name with a line break, which the format
  /// cannot hold.
  static std::u16string WriteText(const RegFileContent& content);
  /// WriteText as UTF-16LE with a byte-order mark, as the registry editor writes it.
  static std::string Write(const RegFileContent& content);

  /// The full name of a root given by its full or short name in any letter
  /// case ("hklm" gives "HKEY_LOCAL_MACHINE"); empty for no root name.
  static std::u16string RootName(std::u16string_view name);
};

}  // namespace sigpatch
