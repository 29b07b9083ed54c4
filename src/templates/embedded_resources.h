// The resources compiled into the program where there is no resource section to load them
// from: the generated source of cmake/EmbedResources.cmake defines EmbeddedResources() with
// one entry per committed template database. Read through LoadTemplateResource (resources.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace frixa::embedded {

struct EmbeddedResource {
  int id;
  const char* type;  // resource type name, e.g. "MDB"
  const std::uint8_t* data;
  std::size_t size;
};

std::span<const EmbeddedResource> EmbeddedResources();

}  // namespace frixa::embedded
