#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sigpatch {

/// A list of records with named text fields, walked from its first record: the
/// in-memory record set of the enumeration operations. Moving past either end
/// sets Eof or Bof; reading or writing a field without a current record raises
/// error 3021, naming a field that was not appended raises error 3265. Texts are
/// kept whole, also beyond a field's defined size.
class Recordset {
 public:
  /// Field type of a variable-length text field (adVarChar).
  static constexpr std::int32_t kVarChar = 200;

  struct FieldInfo {
    std::u16string Name;
    std::int32_t Type = kVarChar;
    std::int32_t DefinedSize = 0;
  };

  /// Appends a field definition; a name given twice raises error 457.
  void AppendField(std::u16string_view name, std::int32_t type, std::int32_t definedSize);
  /// Opens the record set with no source: empty, at Bof and Eof.
  void Open();
  bool IsOpen() const { return open_; }

  /// Adds an empty record at the end and makes it the current record.
  void AddNew();
  /// The current record's field; assigning to it changes the record.
  std::u16string& Fields(std::u16string_view name);
  const std::u16string& Fields(std::u16string_view name) const;

  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  /// True after moving past the last record (and when there is none).
  bool Eof() const;
  /// True after moving before the first record (and when there is none).
  bool Bof() const;
  std::int32_t RecordCount() const { return static_cast<std::int32_t>(records_.size()); }
  const std::vector<FieldInfo>& FieldList() const { return fields_; }

 private:
  std::size_t fieldIndex(std::u16string_view name) const;
  void requireCurrent() const;

  std::vector<FieldInfo> fields_;
  std::vector<std::vector<std::u16string>> records_;
  // Position of the current record; -1 is Bof, RecordCount() is Eof.
  std::int64_t position_ = -1;
  bool open_ = false;
};

}  // namespace sigpatch
