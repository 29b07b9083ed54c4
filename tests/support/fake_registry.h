// An in-memory registry that behaves as the platform does where the association relies on
// it: case-insensitive key names, parents created with their children, default values, and a
// key that still has subkeys cannot be deleted (status 5).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace frixa::testing {

class FakeRegistry : public RegistryApi {
 public:
  // Every call, for order checks: "open KEY", "query", "create KEY", "set", "delete KEY", "close".
  std::vector<std::string> calls;
  bool refuseWrites = false;

  bool KeyExists(const std::string& path) const;
  std::optional<std::string> DefaultValue(const std::string& path) const;
  void Put(const std::string& path, const std::string& defaultValue);
  std::vector<std::string> Keys() const;

  long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, RegKey* result) override;
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        char* buffer, std::uint32_t* length) override;
  long RegCreateKeyA(RegKey root, const std::string& subKey, RegKey* result) override;
  long RegSetValueA(RegKey key, const std::string& subKey, std::uint32_t type,
                    const std::string& data, std::uint32_t length) override;
  long RegDeleteKeyA(RegKey key, const std::string& subKey) override;
  long RegCloseKey(RegKey key) override;

 private:
  struct Key {
    std::optional<std::string> defaultValue;
  };
  static std::string Fold(const std::string& path);
  std::map<std::string, Key> keys_;               // folded path -> key
  std::map<RegKey, std::string> handles_;         // open handle -> folded path
  RegKey nextHandle_ = 0x1000;
};

}  // namespace frixa::testing
