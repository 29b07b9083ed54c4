// The six registry functions the file association uses, behind an interface so that the
// association logic runs against the real registry on Windows and against an in-memory model
// in the native tests. Status codes are the platform's (0 = success).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace frixa {

using RegKey = std::uintptr_t;                 // an open key handle (0 = none)
inline constexpr RegKey kHKeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr long kRegSuccess = 0;
inline constexpr long kRegFileNotFound = 2;
inline constexpr long kRegAccessDenied = 5;

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  virtual long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, RegKey* result) = 0;
  // Copies the value's bytes with their terminating NUL into buffer[0..*length).
  virtual long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                                char* buffer, std::uint32_t* length) = 0;
  virtual long RegCreateKeyA(RegKey root, const std::string& subKey, RegKey* result) = 0;
  virtual long RegSetValueA(RegKey key, const std::string& subKey, std::uint32_t type,
                            const std::string& data, std::uint32_t length) = 0;
  virtual long RegDeleteKeyA(RegKey key, const std::string& subKey) = 0;
  virtual long RegCloseKey(RegKey key) = 0;
};

#ifdef _WIN32
// The real registry.
std::unique_ptr<RegistryApi> MakeWindowsRegistry();
#endif

}  // namespace frixa
