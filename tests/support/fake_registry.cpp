// In-memory registry for the association tests: see fake_registry.h.
#include "support/fake_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace frixa::testing {

std::string FakeRegistry::Fold(const std::string& path) {
  std::string out = path;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool FakeRegistry::KeyExists(const std::string& path) const {
  return keys_.count(Fold(path)) != 0;
}

std::optional<std::string> FakeRegistry::DefaultValue(const std::string& path) const {
  auto it = keys_.find(Fold(path));
  if (it == keys_.end()) return std::nullopt;
  return it->second.defaultValue;
}

void FakeRegistry::Put(const std::string& path, const std::string& defaultValue) {
  RegKey k = 0;
  RegCreateKeyA(kHKeyClassesRoot, path, &k);
  RegSetValueA(k, "", kRegSz, defaultValue, 0);
  RegCloseKey(k);
  calls.clear();
}

std::vector<std::string> FakeRegistry::Keys() const {
  std::vector<std::string> out;
  for (const auto& [k, v] : keys_) out.push_back(k);
  return out;
}

long FakeRegistry::RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t,
                                 std::uint32_t, RegKey* result) {
  calls.push_back("open " + subKey);
  *result = 0;
  if (root != kHKeyClassesRoot || !KeyExists(subKey)) return kRegFileNotFound;
  *result = nextHandle_++;
  handles_[*result] = Fold(subKey);
  return kRegSuccess;
}

long FakeRegistry::RegQueryValueExA(RegKey key, const std::string& valueName,
                                    std::uint32_t* type, char* buffer, std::uint32_t* length) {
  calls.push_back("query");
  auto h = handles_.find(key);
  if (h == handles_.end() || !valueName.empty()) return kRegFileNotFound;
  const auto& value = keys_[h->second].defaultValue;
  if (!value) return kRegFileNotFound;
  const std::uint32_t needed = static_cast<std::uint32_t>(value->size() + 1);
  if (needed > *length) {
    *length = needed;
    return 234;  // more data
  }
  std::memcpy(buffer, value->c_str(), needed);
  *length = needed;
  *type = kRegSz;
  return kRegSuccess;
}

long FakeRegistry::RegCreateKeyA(RegKey root, const std::string& subKey, RegKey* result) {
  calls.push_back("create " + subKey);
  *result = 0;
  if (root != kHKeyClassesRoot || refuseWrites) return kRegAccessDenied;
  // The key and every missing parent.
  std::string folded = Fold(subKey);
  for (std::size_t pos = 0;; ++pos) {
    pos = folded.find('\\', pos);
    keys_[folded.substr(0, pos)];
    if (pos == std::string::npos) break;
  }
  *result = nextHandle_++;
  handles_[*result] = folded;
  return kRegSuccess;
}

long FakeRegistry::RegSetValueA(RegKey key, const std::string& subKey, std::uint32_t type,
                                const std::string& data, std::uint32_t) {
  calls.push_back("set");
  auto h = handles_.find(key);
  if (h == handles_.end() || type != kRegSz || !subKey.empty()) return kRegAccessDenied;
  keys_[h->second].defaultValue = data;
  return kRegSuccess;
}

long FakeRegistry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kRegFileNotFound;
  const std::string path = subKey.empty() ? h->second : h->second + "\\" + Fold(subKey);
  calls.push_back("delete " + path);
  const std::string prefix = path + "\\";
  for (const auto& [k, v] : keys_) {
    if (k.compare(0, prefix.size(), prefix) == 0) return kRegAccessDenied;
  }
  keys_.erase(path);
  return kRegSuccess;
}

long FakeRegistry::RegCloseKey(RegKey key) {
  calls.push_back("close");
  handles_.erase(key);
  return kRegSuccess;
}

}  // namespace frixa::testing
