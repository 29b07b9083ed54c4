// The browser's display of one calibration file: see file_browser.h.
#include "browser/file_browser.h"

#include <cstdio>
#include <string>

#include "common/error.h"
#include "recordset/data_controls.h"

namespace frixa {

std::string CellText(const FieldValue& value, char decimalSeparator) {
  switch (value.kind()) {
    case FieldValue::Kind::kNull: return "";
    case FieldValue::Kind::kInteger: return std::to_string(value.AsInteger());
    case FieldValue::Kind::kSingle: return DefaultNumberText(value.AsSingle(), decimalSeparator);
    case FieldValue::Kind::kText: return value.AsText();
    case FieldValue::Kind::kDouble:
    case FieldValue::Kind::kDate: {
      char text[40];
      std::snprintf(text, sizeof text, "%.15g", value.AsDouble());
      std::string s(text);
      for (char& c : s) {
        if (c == '.') c = decimalSeparator;
      }
      return s;
    }
  }
  return "";
}

void FileBrowser::ResetDisplay() {
  display_ = BrowserDisplay{};
  shown_ = false;
}

bool FileBrowser::ShowFile(const std::string& path) {
  shown_ = false;
  try {
    Bind(info_, path, kInfoSource);
    Bind(losses_, path, kLossesSource);
    BrowserDisplay shown;
    const InfoDisplay d = ReadInfoDisplay(info_, decimalSeparator_);
    shown.values = {d.moiApplied, d.ppr, d.lowRpm, d.highRpm, d.date};
    shown.comment = d.comment;
    for (int i = 0; i < losses_.FieldCount(); ++i) shown.columns.push_back(losses_.FieldName(i));
    for (; !losses_.Eof(); losses_.MoveNext()) {
      std::vector<std::string> row;
      for (int i = 0; i < losses_.FieldCount(); ++i) {
        row.push_back(CellText(losses_.Fields(i), decimalSeparator_));
      }
      shown.rows.push_back(std::move(row));
    }
    shown.gridShown = true;
    display_ = std::move(shown);
    shown_ = true;
    return true;
  } catch (...) {
    display_ = BrowserDisplay{};
    display_.comment.clear();
    return false;
  }
}

bool FileBrowser::SaveComment(const std::string& comment) {
  saveError_.clear();
  if (!shown_) return false;
  try {
    info_.SetWholeFileSaves(true);
    info_.Edit();
    info_.SetField(kCommentField, FieldValue::Text(comment));
    info_.Update();
    return true;
  } catch (const Error& e) {
    saveError_ = "error " + std::to_string(e.number()) + ": " + e.description();
    try {
      info_.CancelUpdate();
    } catch (...) {
    }
    return false;
  } catch (...) {
    saveError_ = "the comment could not be saved";
    try {
      info_.CancelUpdate();
    } catch (...) {
    }
    return false;
  }
}

void FileBrowser::Release() {
  try {
    frixa::Release(info_);
    frixa::Release(losses_);
  } catch (...) {
  }
  shown_ = false;
}

}  // namespace frixa
