// File association routines: see association.h.
#include "app/association.h"

#include <cstring>

namespace frixa {
namespace {
constexpr std::uint32_t kValueBufferSize = 255;

std::string TrimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}
}  // namespace

std::string ReadRegistryString(RegistryApi& reg, RegKey root, const std::string& subKey,
                               const std::string& valueName, const std::string& fallback) {
  // The buffer starts as 255 blanks: a value that cannot be read leaves it so, and the trim
  // then yields nothing, which selects the fallback.
  char buffer[kValueBufferSize];
  std::memset(buffer, ' ', sizeof buffer);
  std::uint32_t type = kRegSz;
  std::uint32_t length = kValueBufferSize;
  RegKey key = 0;
  if (reg.RegOpenKeyExA(root, subKey, 0, kKeyRead, &key) == kRegSuccess) {
    reg.RegQueryValueExA(key, valueName, &type, buffer, &length);
    reg.RegCloseKey(key);
  }
  // The whole buffer is the text; the NUL the query stored shields blanks at the value's end.
  const std::string text = TrimBlanks(std::string(buffer, sizeof buffer));
  if (text.empty()) return fallback;
  std::string value = text.substr(0, text.size() - 1);  // drop the terminating NUL
  // Whatever the query left behind the NUL is not part of the value.
  if (const auto nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
  return value;
}

long WriteRegistryDefault(RegistryApi& reg, RegKey root, const std::string& subKey,
                          const std::string& valueName, const std::string& data) {
  RegKey key = 0;
  long status = reg.RegCreateKeyA(root, subKey, &key);
  if (status == kRegSuccess) {
    status = reg.RegSetValueA(key, valueName, kRegSz, data, 0);
    reg.RegCloseKey(key);
  }
  return status;
}

long DeleteRegistryKey(RegistryApi& reg, RegKey root, const std::string& subKey) {
  RegKey key = 0;
  long status = reg.RegOpenKeyExA(root, subKey, 0, kKeyWrite, &key);
  if (status == kRegSuccess) {
    status = reg.RegDeleteKeyA(key, "");
    reg.RegCloseKey(key);
  }
  return status;
}

void RemoveFileAssociation(RegistryApi& reg, const std::string& extension) {
  const std::string typeName = ReadRegistryString(reg, kHKeyClassesRoot, "." + extension, "", "");
  if (!typeName.empty()) {
    DeleteRegistryKey(reg, kHKeyClassesRoot, "." + extension);
    // Refused by the platform while the type key still has its subkeys.
    DeleteRegistryKey(reg, kHKeyClassesRoot, typeName);
  }
}

void RegisterFileAssociation(RegistryApi& reg, const std::string& extension, std::string folder,
                             const std::string& typeName, const std::string& description,
                             const std::string& iconPath) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  WriteRegistryDefault(reg, kHKeyClassesRoot, "." + extension, "", typeName);
  WriteRegistryDefault(reg, kHKeyClassesRoot, typeName, "", description);
  if (!iconPath.empty()) {
    WriteRegistryDefault(reg, kHKeyClassesRoot, typeName + "\\DefaultIcon", "", iconPath + ",0");
  }
  const std::string command = "\"" + folder + typeName + ".exe\" %1";
  WriteRegistryDefault(reg, kHKeyClassesRoot, typeName + "\\shell\\open\\command", "", command);
}

}  // namespace frixa
