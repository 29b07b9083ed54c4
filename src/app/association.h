// Shell registration of calibration files (.Frixa): extension key, type key with its
// description, icon and open command, all default string values under HKEY_CLASSES_ROOT.
// Renewed at every start; every registry failure is silent (callers ignore the statuses).
#pragma once

#include <string>

#include "platform/registry.h"

namespace frixa {

std::string ReadRegistryString(RegistryApi& reg, RegKey root, const std::string& subKey,
                               const std::string& valueName, const std::string& fallback);
long WriteRegistryDefault(RegistryApi& reg, RegKey root, const std::string& subKey,
                          const std::string& valueName, const std::string& data);
long DeleteRegistryKey(RegistryApi& reg, RegKey root, const std::string& subKey);

void RemoveFileAssociation(RegistryApi& reg, const std::string& extension);
void RegisterFileAssociation(RegistryApi& reg, const std::string& extension, std::string folder,
                             const std::string& typeName, const std::string& description,
                             const std::string& iconPath);

}  // namespace frixa
