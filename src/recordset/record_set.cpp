// RecordSet, the cursor: binding to a file and its statement, moving through the rows it held
// at its Refresh, reading their fields, and adding, changing and deleting rows through it.
#include "recordset/record_set.h"

#include <utility>

#include "recordset/field_convert.h"

namespace frixa {

RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;

void RecordSet::SaveWhatWriteBehindKept() {
  if (hold_ && hold_.Db().Write().Mode() == jet::WriteMode::kWriteBehind) {
    try {
      hold_.Db().Write().Flush();
    } catch (const Error&) {
      // The first error is the one to report; the pages stay unsaved for the next save.
    }
  }
}

void RecordSet::Refresh() {
  result_.reset();
  current_ = 0;
  editMode_ = EditMode::kNone;
  buffer_.clear();
  if (databaseName_.empty()) {  // releases the file; nothing to read
    hold_.Release();
    return;
  }
  Guarded([&] {
    if (hold_.Holds(databaseName_)) {
      hold_.Revalidate();
    } else {
      DatabaseHold other = DatabaseHold::Acquire(databaseName_);
      hold_.Release();
      hold_ = std::move(other);
    }
    RunStatement();
  });
}

const RecordSet::Result& RecordSet::Open() const {
  if (!result_) RaiseRuntimeError(errnum::kObjectNotSet);
  return *result_;
}

long RecordSet::RecordCount() const {
  const Result& r = Open();
  return static_cast<long>(r.rows.size() - r.deletedCount);
}

bool RecordSet::Eof() const { return current_ >= Open().rows.size(); }

void RecordSet::MoveNext() {
  if (Eof()) RaiseJetError(errnum::kJetNoCurrentRecord);
  ++current_;
  editMode_ = EditMode::kNone;  // moving drops a row being added or changed
  buffer_.clear();
}

int RecordSet::FieldCount() const { return static_cast<int>(Open().names.size()); }

FieldValue RecordSet::Fields(int position) const {
  const Result& r = Open();
  if (position < 0 || static_cast<std::size_t>(position) >= r.names.size()) {
    RaiseJetError(errnum::kJetItemNotFound);
  }
  if (editMode_ != EditMode::kNone) return FieldOf(buffer_[static_cast<std::size_t>(position)]);
  if (current_ >= r.rows.size()) RaiseJetError(errnum::kJetNoCurrentRecord);
  if (r.deleted[current_]) RaiseJetError(errnum::kJetRecordDeleted);
  return r.rows[current_][static_cast<std::size_t>(position)];
}

const std::string& RecordSet::FieldName(int position) const {
  const Result& r = Open();
  if (position < 0 || static_cast<std::size_t>(position) >= r.names.size()) {
    RaiseJetError(errnum::kJetItemNotFound);
  }
  return r.names[static_cast<std::size_t>(position)];
}

// ---- writing ----------------------------------------------------------------------------------

RecordSet::Result& RecordSet::OpenForWriting() {
  if (!result_) RaiseRuntimeError(errnum::kObjectNotSet);
  Result& r = *result_;
  if (!r.updatable) RaiseJetError(errnum::kJetReadOnly);
  if (hold_.Generation() != r.generation) RaiseJetError(errnum::kJetDataChanged);
  hold_.Db().Write().CheckTableWritable(r.table);
  return r;
}

void RecordSet::AddNew() {
  Guarded([&] {
    const Result& r = OpenForWriting();
    buffer_.assign(r.names.size(), jet::Value());
    editMode_ = EditMode::kAdd;
  });
}

void RecordSet::Edit() {
  Guarded([&] {
    const Result& r = OpenForWriting();
    if (current_ >= r.rows.size() || r.deleted[current_]) {
      RaiseJetError(current_ >= r.rows.size() ? errnum::kJetNoCurrentRecord : errnum::kJetRecordDeleted);
    }
    jet::Database& db = hold_.Db();
    buffer_ = db.ReadRowAt(db.TableAt(r.table), r.locations[current_]);
    editMode_ = EditMode::kEdit;
  });
}

void RecordSet::SetField(int position, const FieldValue& value) {
  Guarded([&] {
    const Result& r = Open();
    if (position < 0 || static_cast<std::size_t>(position) >= r.names.size()) {
      RaiseJetError(errnum::kJetItemNotFound);
    }
    if (editMode_ == EditMode::kNone) RaiseJetError(errnum::kJetUpdateWithoutAddNew);
    jet::Writer& writer = hold_.Db().Write();
    const auto column = static_cast<std::size_t>(position);
    const jet::Value stored = ToColumnValue(value, r.columns[column]);
    writer.CheckValue(r.table, column, stored);
    buffer_[column] = stored;
  });
}

void RecordSet::Update() {
  Guarded([&] {
    if (editMode_ == EditMode::kNone) RaiseJetError(errnum::kJetUpdateWithoutAddNew);
    Result& r = OpenForWriting();
    jet::Writer& writer = hold_.Db().Write();
    if (editMode_ == EditMode::kAdd) {
      writer.Append(r.table, buffer_);
    } else {
      if (current_ >= r.rows.size()) RaiseJetError(errnum::kJetNoCurrentRecord);
      writer.Update(r.table, r.locations[current_], buffer_);
      for (std::size_t c = 0; c < buffer_.size(); ++c) r.rows[current_][c] = FieldOf(buffer_[c]);
    }
    editMode_ = EditMode::kNone;
    buffer_.clear();
  });
}

void RecordSet::CancelUpdate() {
  (void)Open();
  if (editMode_ == EditMode::kNone) RaiseJetError(errnum::kJetUpdateWithoutAddNew);
  editMode_ = EditMode::kNone;
  buffer_.clear();
}

void RecordSet::Delete() {
  Guarded([&] {
    Result& r = OpenForWriting();
    if (current_ >= r.rows.size()) RaiseJetError(errnum::kJetNoCurrentRecord);
    if (r.deleted[current_]) RaiseJetError(errnum::kJetRecordDeleted);
    hold_.Db().Write().Delete(r.table, r.locations[current_]);
    r.deleted[current_] = true;
    ++r.deletedCount;
    editMode_ = EditMode::kNone;
    buffer_.clear();
  });
}

void RecordSet::SetWriteBehind(bool on) {
  (void)Open();
  hold_.Db().Write().SetMode(on ? jet::WriteMode::kWriteBehind : jet::WriteMode::kWriteThrough);
}

void RecordSet::SetWholeFileSaves(bool on) {
  (void)Open();
  hold_.Db().Write().SetMode(on ? jet::WriteMode::kReplaceFile : jet::WriteMode::kWriteThrough);
}

void RecordSet::Flush() {
  (void)Open();
  hold_.Db().Write().Flush();
}

}  // namespace frixa
