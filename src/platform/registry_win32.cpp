// The real registry behind RegistryApi (Windows program and the Windows test build).
#include <windows.h>

#include "platform/registry.h"

namespace frixa {
namespace {

HKEY ToHKey(RegKey k) { return reinterpret_cast<HKEY>(k); }
RegKey FromHKey(HKEY k) { return reinterpret_cast<RegKey>(k); }

class WindowsRegistry final : public RegistryApi {
 public:
  long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, RegKey* result) override {
    HKEY key = nullptr;
    const LONG status = ::RegOpenKeyExA(ToHKey(root), subKey.c_str(), options, access, &key);
    *result = status == ERROR_SUCCESS ? FromHKey(key) : 0;
    return status;
  }
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        char* buffer, std::uint32_t* length) override {
    DWORD t = *type;
    DWORD len = *length;
    const LONG status = ::RegQueryValueExA(ToHKey(key), valueName.c_str(), nullptr, &t,
                                           reinterpret_cast<BYTE*>(buffer), &len);
    *type = t;
    *length = len;
    return status;
  }
  long RegCreateKeyA(RegKey root, const std::string& subKey, RegKey* result) override {
    HKEY key = nullptr;
    const LONG status = ::RegCreateKeyA(ToHKey(root), subKey.c_str(), &key);
    *result = status == ERROR_SUCCESS ? FromHKey(key) : 0;
    return status;
  }
  long RegSetValueA(RegKey key, const std::string& subKey, std::uint32_t type,
                    const std::string& data, std::uint32_t length) override {
    return ::RegSetValueA(ToHKey(key), subKey.empty() ? nullptr : subKey.c_str(), type,
                          data.c_str(), length);
  }
  long RegDeleteKeyA(RegKey key, const std::string& subKey) override {
    return ::RegDeleteKeyA(ToHKey(key), subKey.c_str());
  }
  long RegCloseKey(RegKey key) override { return ::RegCloseKey(ToHKey(key)); }
};

}  // namespace

std::unique_ptr<RegistryApi> MakeWindowsRegistry() { return std::make_unique<WindowsRegistry>(); }

}  // namespace frixa
