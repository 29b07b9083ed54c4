// What the benchmarks share: a front end that shows nothing (it counts the points plotted and
// the messages other than information, and answers the file dialog with `answer`), and the
// long, low-friction rundown of a million revolutions that the run pass figures are taken on.
#pragma once

#include <cstdint>
#include <string>

#include "common/frontend.h"
#include "sim/rundown_simulator.h"

namespace frixa::bench {

class QuietFrontend : public Frontend {
 public:
  std::string answer;
  int errors = 0;
  long long points = 0;
  void ClearStatus() override {}
  void AppendStatusLine(std::string_view) override {}
  void StatusCaretToEnd() override {}
  void RepaintStatus() override {}
  MessageAnswer ShowMessage(std::string_view, std::string_view, MessageIcon icon,
                            MessageButtons) override {
    if (icon != MessageIcon::Information) ++errors;
    return MessageAnswer::Ok;
  }
  std::string AskFileName(const FileDialogSettings&) override { return answer; }
  void SetProcessCaption(std::string_view) override {}
  void ShowRpm(std::string_view) override {}
  void RefreshRpm() override {}
  void GraphStartAfresh(Graph) override {}
  void GraphSetUp(Graph) override {}
  void GraphAddPoint(Graph, double, double) override { ++points; }
  void GraphFinish(Graph) override {}
  void SetCreateEnabled(bool) override {}
  void DoEvents() override {}
  void RepaintMain() override {}
};

// 10 kg m^2 coasting from 6000 to 100 RPM against a constant 0.05 N m, with 1 us of jitter,
// cut at `revolutions` records.
inline RundownModel LongRundownModel(std::int64_t revolutions = 1000000) {
  RundownModel m;
  m.inertia = 10.0;
  m.frictionA = 0.05;
  m.frictionB = 0.0;
  m.frictionC = 0.0;
  m.startRpm = 6000.0;
  m.endRpm = 100.0;
  m.jitterUs = 1.0;
  m.maxRecords = revolutions;
  return m;
}

}  // namespace frixa::bench
