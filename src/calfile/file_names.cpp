// Calibration file names: see file_names.h.
#include "calfile/file_names.h"

#include <utility>

#include "common/app.h"

namespace frixa {

std::string StripPathAndExtension(std::string_view path) {
  const auto sep = path.rfind(kPathSeparator);
  std::string_view title = sep == std::string_view::npos ? path : path.substr(sep + 1);
  if (const auto dot = title.find('.'); dot != std::string_view::npos) title = title.substr(0, dot);
  return std::string(title);
}

std::string WithCalibrationExtension(std::string name) {
  constexpr std::string_view kExtension = ".Frixa";
  if (name.size() < kExtension.size() ||
      name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0) {
    name += kExtension;
  }
  return name;
}

FileDialogSettings CalibrationFileDialog(const App& app, std::string filter, unsigned flags,
                                         std::string title) {
  FileDialogSettings dialog;
  dialog.filter = std::move(filter);
  dialog.fileName = "";
  dialog.initDir = app.ProgramFile(kCalibrationFolderName);
  dialog.flags = flags;
  dialog.title = std::move(title);
  return dialog;
}

}  // namespace frixa
