// Timing of the main window's graphs over a run of 1,000,000 revolutions, under Wine or on
// Windows: the start-up preview from the information message's OK until both graphs are on the
// screen, then repaints of the whole graph area as after the window was covered. Prints the
// figures; run by bench/preview-graphs-under-wine. Usage: preview_graphs_win32 [REVOLUTIONS] [REPAINTS]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "graphs/preview.h"
#include "sim/rundown_simulator.h"
#include "win/main_window.h"
#include "win/ui_resources.h"
#include "win/win32_frontend.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The real front end; the information message is answered at once (its OK is the start).
class QuietFrontend : public frixa::win::Win32Frontend {
 public:
  using Win32Frontend::Win32Frontend;
  frixa::MessageAnswer ShowMessage(std::string_view, std::string_view, frixa::MessageIcon,
                                   frixa::MessageButtons) override {
    return frixa::MessageAnswer::Ok;
  }
  std::string AskFileName(const frixa::FileDialogSettings&) override { return ""; }
};

}  // namespace

int main(int argc, char** argv) {
  const long long revolutions = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const int repaints = argc > 2 ? std::atoi(argv[2]) : 20;
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "frixa-bench-preview-graphs";
  fs::create_directories(folder);

  // A long, low-friction rundown, as the run pass benchmark uses.
  const frixa::RundownModel model = frixa::bench::LongRundownModel(revolutions);
  const std::string runFile = (folder / frixa::kRunFileName).string();
  if (frixa::WriteRundownFile(model, runFile) != revolutions) {
    std::fprintf(stderr, "could not write %lld revolutions to %s\n", revolutions, runFile.c_str());
    return 1;
  }

  const int dpi = frixa::win::ScreenDpi();
  frixa::win::UiFonts fonts(dpi);
  frixa::win::Artwork art(GetModuleHandleA(nullptr));
  frixa::win::MainWindow main(fonts, art, frixa::WindowsDoubleClickSettings());
  QuietFrontend ui(main);
  frixa::App app(ui, folder.string());
  app.InertiaFactor = static_cast<float>(model.inertia);
  app.SensorMassRatio = 1.0f;
  if (!main.Create(app, frixa::win::MainCommands{})) return 1;

  // From the OK of the information message: the preview, then the window with its graphs.
  const Clock::time_point t0 = Clock::now();
  frixa::PreviewRun(app);
  const double preview = MillisecondsSince(t0);
  main.Show();
  RedrawWindow(main.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
  const double shown = MillisecondsSince(t0);
  Pump();

  // A repaint after the window was covered: every part of both graphs invalid, painted again
  // from their back buffers. (Taking a covering window away costs Wine without a window manager
  // about 2 s of its own, before any painting starts; that is not measured here.)
  HWND graphs = main.Control(frixa::MainControl::Picture2);
  double worst = 0, total = 0;
  for (int i = 0; i < repaints; ++i) {
    const Clock::time_point t1 = Clock::now();
    RedrawWindow(graphs, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    const double ms = MillisecondsSince(t1);
    worst = ms > worst ? ms : worst;
    total += ms;
    Pump();
  }
  const auto& power = main.graph(frixa::Graph::Power).plot();
  const auto& torque = main.graph(frixa::Graph::Torque).plot();
  std::printf("revolutions                 %lld\n", revolutions);
  std::printf("points (power / torque)     %zu+%zu / %zu+%zu\n", power.points().points.size(),
              power.startPoints().points.size(), torque.points().points.size(),
              torque.startPoints().points.size());
  std::printf("preview (graph pass)        %.0f ms\n", preview);
  std::printf("OK to graphs on screen      %.0f ms\n", shown);
  std::printf("repaint after covered       %.1f ms mean, %.1f ms worst of %d\n",
              repaints ? total / repaints : 0.0, worst, repaints);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
