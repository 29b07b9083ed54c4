// BuildFileFromResource; see build_file.h.
#include "templates/build_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/error.h"
#include "templates/resources.h"

namespace frixa {

namespace {

// Opens the file for binary writing the way the runtime's binary mode does: an existing file
// keeps its length and contents, a missing one is created.
std::fstream OpenForBinaryWrite(const std::filesystem::path& path) {
  std::error_code ec;
  const auto parent = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  if (!std::filesystem::is_directory(parent, ec)) RaiseRuntimeError(errnum::kPathNotFound);
  std::fstream f;
  if (std::filesystem::exists(path, ec)) {
    f.open(path, std::ios::in | std::ios::out | std::ios::binary);
  } else {
    f.open(path, std::ios::out | std::ios::binary);
  }
  if (!f.is_open()) RaiseRuntimeError(errnum::kPathFileAccess);
  return f;
}

}  // namespace

std::string BuildFileFromResource(Frontend& ui, const std::string& fileName, int resourceId,
                                  std::string_view resourceType) {
  try {
    const auto data = LoadTemplateResource(resourceId, resourceType);
    if (!data) RaiseRuntimeError(errnum::kResourceNotFound);
    if (fileName.empty()) RaiseRuntimeError(errnum::kBadFileNameOrNumber);
    std::fstream f = OpenForBinaryWrite(std::filesystem::path(fileName));
    f.seekp(0);
    f.write(reinterpret_cast<const char*>(data->data()), static_cast<std::streamsize>(data->size()));
    f.close();
    if (f.fail()) RaiseRuntimeError(errnum::kDiskFull);
    return fileName;
  } catch (...) {
    const Error e = CurrentError();
    std::string text = std::to_string(e.number());
    text += kBuildFileMessage;
    text += e.description();
    ui.ShowMessage(text, kBuildFileTitle, MessageIcon::Critical, MessageButtons::Ok);
    return "";
  }
}

}  // namespace frixa
