// The templates as the Windows program carries them: resources of type "MDB", ids 101 and 102,
// byte for byte the committed template files.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "templates/resources.h"

namespace frixa {
namespace {

std::vector<std::uint8_t> Committed(const char* name) {
  std::ifstream in(std::string(FRIXA_SOURCE_DIR) + "/resources/templates/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TemplateResources, ProgramResourcesHoldTheCommittedTemplates) {
  HMODULE self = GetModuleHandleA(nullptr);
  for (const auto& [id, name] : {std::pair{101, "calibration.mdb"}, std::pair{102, "host.mdb"}}) {
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), "MDB");
    ASSERT_NE(found, nullptr) << id;
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(self, found)));
    const std::vector<std::uint8_t> resource(bytes, bytes + SizeofResource(self, found));
    EXPECT_EQ(resource, Committed(name)) << id;
    const auto loaded = LoadTemplateResource(id, "MDB");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->data(), bytes) << "the program's own resource is the one used";
  }
}

}  // namespace
}  // namespace frixa
