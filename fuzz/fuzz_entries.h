// The entry points the fuzz targets drive, shared with the replay test (tests/fuzz) so that
// every stored fuzz input also runs through the same code on every build, without libFuzzer.
// Any input must end normally or in a frixa::Error; anything else is a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/app.h"
#include "common/error.h"
#include "common/frontend.h"
#include "jet/database.h"
#include "recordset/statement.h"
#include "run/run_pass.h"

namespace frixa::fuzz {

// A front end that shows nothing and answers every question with its first button.
class QuietFrontend : public Frontend {
 public:
  void ClearStatus() override {}
  void AppendStatusLine(std::string_view) override {}
  void StatusCaretToEnd() override {}
  void RepaintStatus() override {}
  MessageAnswer ShowMessage(std::string_view, std::string_view, MessageIcon,
                            MessageButtons buttons) override {
    ++messages;
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
  std::string AskFileName(const FileDialogSettings&) override { return {}; }
  void SetProcessCaption(std::string_view) override {}
  void ShowRpm(std::string_view) override {}
  void RefreshRpm() override {}
  void GraphStartAfresh(Graph) override {}
  void GraphSetUp(Graph) override {}
  void GraphAddPoint(Graph, double, double) override {}
  void GraphFinish(Graph) override {}
  void SetCreateEnabled(bool) override {}
  void DoEvents() override {}
  void RepaintMain() override {}

  int messages = 0;
};

// Writes the bytes as the run file of `folder` (which must exist) and runs the run pass over
// it in both window precisions, with the rig parameters of a typical dyno. Returns the number
// of revolutions the double-precision pass delivered, or -1 when a pass ended in an Error.
inline int RunFileThroughRunPass(const std::uint8_t* data, std::size_t size,
                                 const std::string& folder) {
  QuietFrontend ui;
  App app(ui, folder);
  app.InertiaFactor = 1.25f;
  app.SensorMassRatio = 1.0f;
  {
    std::FILE* f = std::fopen(app.ProgramFile(kRunFileName).c_str(), "wb");
    if (f == nullptr) return -1;
    if (size > 0 && std::fwrite(data, 1, size, f) != size) {
      std::fclose(f);
      return -1;
    }
    std::fclose(f);
  }
  int delivered = -1;
  for (const WindowPrecision precision : {WindowPrecision::Single, WindowPrecision::Double}) {
    try {
      int seen = 0;
      double lastPeriod = 0;
      const RunPassOutcome outcome = RunPass(
          app, precision, [] {},
          [&](double period, std::int32_t n, const RevolutionResults& results) {
            // What the passes do with a revolution: its whole RPM and the loss magnitudes.
            if (n != seen) std::abort();
            ++seen;
            lastPeriod = period + static_cast<double>(results.rpm) +
                         static_cast<double>(results.power) + static_cast<double>(results.torque);
          });
      (void)lastPeriod;
      if (outcome.revolutions != seen) std::abort();
      if (precision == WindowPrecision::Double) delivered = outcome.revolutions;
    } catch (const Error&) {
    }
  }
  return delivered;
}

// Parses the bytes as a record-set statement. Returns true when it parsed.
inline bool StatementThroughParser(const std::uint8_t* data, std::size_t size) {
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  try {
    const Statement st = ParseStatement(sql);
    if (st.kind == Statement::Kind::kAverage && st.averaged.empty()) std::abort();
    return true;
  } catch (const Error&) {
    return false;
  }
}

// Opens the bytes as a Jet database, enumerates the catalog and reads every value of every
// table; a damaged table ends in an Error and the others are still read. Returns the number of
// rows read, or -1 when the file did not open.
inline long JetBytesThroughReader(const std::uint8_t* data, std::size_t size) {
  try {
    const jet::Database db =
        jet::Database::FromBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.mdb");
    (void)db.UserTableNames();
    long rows = 0;
    for (const auto& entry : db.GetCatalog().entries) {
      if (!entry.IsTable()) continue;
      try {
        const jet::TableDef def = db.TableAt(entry.DefinitionPage());
        jet::TableScan scan = db.Scan(def);
        while (scan.Next()) {
          (void)scan.ReadRow();
          ++rows;
        }
      } catch (const Error&) {
        // a damaged table: go on with the others
      }
    }
    return rows;
  } catch (const Error&) {
    return -1;
  }
}

}  // namespace frixa::fuzz
