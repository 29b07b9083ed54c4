// The combined calibration: see combine.h.
#include "analysis/combine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "browser/info_display.h"
#include "calfile/averaging.h"
#include "calfile/create_command.h"
#include "recordset/data_controls.h"
#include "calfile/file_names.h"
#include "calfile/loss_curve.h"
#include "calfile/processing_phases.h"
#include "calfile/recorded_counts.h"
#include "common/app.h"
#include "common/error.h"

namespace frixa {
namespace {

constexpr std::size_t kCommentLimit = 255;
constexpr std::size_t kInfoFields = 7;

struct Source {
  std::string path;
  std::vector<FieldValue> info;  // the information record's fields, by position
};

// The first row of the file's Info; frixa::Error with the path before the description.
std::vector<FieldValue> ReadInfoRow(const std::string& path) {
  RecordSet id;
  try {
    Bind(id, path, "Select * From Info");
    std::vector<FieldValue> row;
    for (int i = 0; i < id.FieldCount(); ++i) row.push_back(id.Fields(i));
    Release(id);
    if (row.size() < kInfoFields) RaiseJetError(errnum::kJetItemNotFound);
    return row;
  } catch (const Error& e) {
    try {
      Release(id);
    } catch (...) {
    }
    throw Error(e.number(), path + ": " + e.description());
  }
}

// A stored inertia or ratio as the user typed it: the single it was made from where it is one.
std::string ParameterText(const FieldValue& v) {
  if (v.IsNull() || v.kind() == FieldValue::Kind::kText) return "none";
  const double d = v.AsDouble();
  if (std::isfinite(d) && std::fabs(d) <= 3.4e38 && static_cast<double>(static_cast<float>(d)) == d) {
    return DefaultNumberText(static_cast<float>(d), '.');
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

bool SameParameter(const FieldValue& a, const FieldValue& b) {
  const auto number = [](const FieldValue& v) {
    return !v.IsNull() && v.kind() != FieldValue::Kind::kText;
  };
  return number(a) && number(b) && a.AsDouble() == b.AsDouble();
}

// The whole RPM stored at `position` of the record, or nothing.
bool WholeRpmAt(const std::vector<FieldValue>& info, std::size_t position, double& rpm) {
  const FieldValue& v = info[position];
  if (v.IsNull() || v.kind() == FieldValue::Kind::kText) return false;
  rpm = v.AsDouble();
  return std::isfinite(rpm) && rpm == std::floor(rpm) && rpm >= 0 && rpm < 16777216.0;
}

void RefuseOtherRigs(const std::vector<Source>& sources) {
  const Source& first = sources.front();
  const auto rig = [](const Source& s) {
    return s.path + " (inertia " + ParameterText(s.info[0]) + ", ratio " +
           ParameterText(s.info[1]) + ")";
  };
  std::string differing;
  int count = 0;
  for (const Source& s : sources) {
    if (SameParameter(s.info[0], first.info[0]) && SameParameter(s.info[1], first.info[1])) {
      continue;
    }
    differing += (differing.empty() ? "" : ", ") + rig(s);
    ++count;
  }
  if (count == 0) return;
  throw CombiningRefused("the files are not of one rig: " + differing +
                         (count == 1 ? " differs from " : " differ from ") + rig(first) +
                         " in inertia or ratio");
}

}  // namespace

CombinedFile CombineCalibrationFiles(Frontend& ui, const std::vector<std::string>& files,
                                     const std::string& name, const std::string& today) {
  if (files.size() < 2) throw CombiningRefused("combining needs two calibration files or more");
  std::vector<Source> sources;
  for (const std::string& path : files) sources.push_back({path, ReadInfoRow(path)});
  RefuseOtherRigs(sources);

  CombinedFile out;
  double low = 0;
  double high = 0;
  std::string comment = kCombinedCommentPrefix;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const Source& s = sources[i];
    double l = 0;
    double h = 0;
    if (!WholeRpmAt(s.info, 2, l) || !WholeRpmAt(s.info, 3, h) || h < l) {
      throw CombiningRefused(s.path + ": its information record holds no usable RPM range");
    }
    low = i == 0 ? l : std::min(low, l);
    high = i == 0 ? h : std::max(high, h);
    comment += (i == 0 ? "" : ", ") + StripPathAndExtension(s.path);
  }
  if (high - low + 1 > static_cast<double>(kMaxRpmRange)) {
    throw CombiningRefused("the files' RPM ranges together are wider than can be processed");
  }
  if (comment.size() > kCommentLimit) comment.resize(kCommentLimit);
  out.rpmLow = static_cast<float>(low);
  out.rpmHigh = static_cast<float>(high);

  std::vector<FieldValue> infoRow = sources.front().info;
  infoRow.resize(kInfoFields);
  infoRow[2] = FieldValue::Single(out.rpmLow);
  infoRow[3] = FieldValue::Single(out.rpmHigh);
  infoRow[4] = FieldValue::Text(today);
  infoRow[5] = FieldValue::Text(kVersionText);
  infoRow[6] = FieldValue::Text(comment);

  // Each rundown's recorded times, kept only when every file has them: a combined file's times
  // stand for all its rundowns or for none, so that an analysis of them never leaves one out.
  std::vector<RecordedCounts> rundowns;
  bool everyFileHasTimes = true;
  for (const Source& s : sources) {
    std::vector<RecordedCounts> counts;
    try {
      counts = ReadRecordedCounts(s.path);
    } catch (const Error& e) {
      throw Error(e.number(), s.path + ": " + e.description());
    }
    if (counts.empty()) everyFileHasTimes = false;
    for (auto& c : counts) rundowns.push_back(std::move(c));
  }
  if (!everyFileHasTimes) rundowns.clear();

  try {
    WriteCalibrationFile(ui, name, [&](DataControls& dc) {
      for (const Source& s : sources) {
        out.rundownStarts.push_back(out.rawRows);
        RecordSet raw;
        try {
          Bind(raw, s.path, "Select * From Info");       // opens the file, as read above
          raw.SetRecordSource("Select * From RawData");  // streamed: no record set of every row
          raw.ForEachNumberRow([&](std::span<const RowNumber> row) {
            dc.RD.AppendRow(row.first(std::min<std::size_t>(row.size(), 3)));
            ++out.rawRows;
          });
          Release(raw);
        } catch (const Error& e) {
          try {
            Release(raw);
          } catch (...) {
          }
          throw Error(e.number(), s.path + ": " + e.description());
        }
      }

      const RpmRange range{out.rpmLow, out.rpmHigh};
      out.points = AverageRawData(ui, range, dc.RD, dc.PD);
      if (out.points == 0) throw NoRunData{};
      BuildLossCurve(ui, range, dc.RD, dc.PD, dc.LD, nullptr, out.rundownStarts);
      out.lossRows = static_cast<long>(high - low + 1);

      dc.ID.AddNew();
      for (std::size_t i = 0; i < infoRow.size(); ++i) dc.ID.SetField(static_cast<int>(i), infoRow[i]);
      dc.ID.Update();
      if (!rundowns.empty()) StoreRecordedCounts(dc.RD.DatabaseName(), rundowns);
    });
  } catch (const NoRunData&) {
    throw CombiningRefused("the files hold no revolution inside their RPM range");
  }
  return out;
}

}  // namespace frixa
