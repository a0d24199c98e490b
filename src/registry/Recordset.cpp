#include "registry/Recordset.h"

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch {

void Recordset::AppendField(std::u16string_view name, std::int32_t type, std::int32_t definedSize) {
  for (const auto& field : fields_) {
    if (text::toUpper(field.Name) == text::toUpper(name)) throw RuntimeError(err::kDuplicateKey);
  }
  fields_.push_back({std::u16string(name), type, definedSize});
}

void Recordset::Open() {
  open_ = true;
  records_.clear();
  position_ = -1;
}

void Recordset::AddNew() {
  if (!open_) throw RuntimeError(err::kNoCurrentRecord);
  records_.emplace_back(fields_.size());
  position_ = static_cast<std::int64_t>(records_.size()) - 1;
}

std::size_t Recordset::fieldIndex(std::u16string_view name) const {
  const auto wanted = text::toUpper(name);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (text::toUpper(fields_[i].Name) == wanted) return i;
  }
  throw RuntimeError(err::kItemNotFound);
}

void Recordset::requireCurrent() const {
  if (Bof() || Eof()) throw RuntimeError(err::kNoCurrentRecord);
}

std::u16string& Recordset::Fields(std::u16string_view name) {
  const auto index = fieldIndex(name);
  requireCurrent();
  return records_[static_cast<std::size_t>(position_)][index];
}

const std::u16string& Recordset::Fields(std::u16string_view name) const {
  const auto index = fieldIndex(name);
  requireCurrent();
  return records_[static_cast<std::size_t>(position_)][index];
}

void Recordset::MoveFirst() {
  if (records_.empty()) throw RuntimeError(err::kNoCurrentRecord);
  position_ = 0;
}

void Recordset::MoveLast() {
  if (records_.empty()) throw RuntimeError(err::kNoCurrentRecord);
  position_ = static_cast<std::int64_t>(records_.size()) - 1;
}

void Recordset::MoveNext() {
  if (Eof()) throw RuntimeError(err::kNoCurrentRecord);
  ++position_;
}

void Recordset::MovePrevious() {
  if (Bof()) throw RuntimeError(err::kNoCurrentRecord);
  --position_;
}

bool Recordset::Eof() const {
  return records_.empty() || position_ >= static_cast<std::int64_t>(records_.size());
}

bool Recordset::Bof() const { return records_.empty() || position_ < 0; }

}  // namespace sigpatch
