// The executable's resources on Windows: see program_resource.h.
#include "platform/program_resource.h"

#include <windows.h>

namespace frixa {

std::optional<std::span<const std::uint8_t>> ProgramResource(int id, const std::string& type) {
  HMODULE module = GetModuleHandleA(nullptr);
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type.c_str())) {
    if (HGLOBAL loaded = LoadResource(module, found)) {
      const void* bytes = LockResource(loaded);
      const DWORD size = SizeofResource(module, found);
      if (bytes != nullptr && size > 0) {
        return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), size);
      }
    }
  }
  return std::nullopt;
}

}  // namespace frixa
