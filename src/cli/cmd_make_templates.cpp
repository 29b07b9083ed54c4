// frixa-cli make-templates OUTDIR: writes the two template databases, built from their
// schemas, as OUTDIR/calibration.mdb (resource 101) and OUTDIR/host.mdb (resource 102). The
// files under resources/templates are made with it and committed; a test checks they are
// still what the builder makes.
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "cli/cli.h"
#include "common/error.h"
#include "platform/whole_file.h"
#include "templates/templates.h"

namespace frixa::cli {
namespace {

int RunMakeTemplates(const std::vector<std::string>& args) {
  const Options options(args, {});
  if (options.Positional().size() != 1) throw UsageError("expected one OUTDIR");
  const std::filesystem::path dir = options.Positional()[0];
  const std::pair<int, std::string_view> templates[] = {{kCalibrationTemplateId, kCalibrationTemplateFile},
                                                         {kHostTemplateId, kHostTemplateFile}};
  for (const auto& [id, file] : templates) {
    const auto bytes = BuildTemplate(id);
    const auto path = dir / std::string(file);
    try {
      WriteWholeFile(path.string(),
                     std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    } catch (const Error& e) {
      std::fprintf(stderr, "frixa-cli make-templates: cannot write %s: %s (error %d)\n",
                   path.string().c_str(), e.description().c_str(), e.number());
      return kExitError;
    }
    std::printf("%s: %zu bytes (%zu pages)\n", path.string().c_str(), bytes->size(), bytes->size() / 2048);
  }
  return kExitOk;
}

FRIXA_CLI_COMMAND({"make-templates", "make-templates OUTDIR",
                   "write the template databases 101 and 102 (calibration.mdb, host.mdb) into OUTDIR",
                   RunMakeTemplates})

}  // namespace
}  // namespace frixa::cli
