// Resource lookup: the program's own resources on Windows, the embedded table elsewhere (and
// for Windows executables built without the resource script, such as frixa-cli); see
// resources.h.
#include "templates/resources.h"

#include <cctype>
#include <string>

#include "platform/program_resource.h"
#include "templates/embedded_resources.h"

namespace frixa {

namespace {

bool SameTypeName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> LoadTemplateResource(int id, std::string_view type) {
  if (auto own = ProgramResource(id, std::string(type))) return own;
  for (const auto& r : embedded::EmbeddedResources()) {
    if (r.id == id && SameTypeName(r.type, type)) return std::span<const std::uint8_t>(r.data, r.size);
  }
  return std::nullopt;
}

}  // namespace frixa
