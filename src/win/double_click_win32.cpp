// The real double-click settings: see double_click_settings.h.
#include <windows.h>

#include "win/double_click_settings.h"

namespace frixa {
namespace {

class WindowsSettings : public DoubleClickSettings {
 public:
  DoubleClickMetrics Current() override {
    return {GetSystemMetrics(SM_CXDOUBLECLK), GetSystemMetrics(SM_CYDOUBLECLK),
            static_cast<std::int32_t>(GetDoubleClickTime())};
  }
  void SystemParametersInfoA(std::uint32_t action, std::uint32_t value,
                             std::uint32_t flags) override {
    ::SystemParametersInfoA(action, value, nullptr, flags);
  }
};

}  // namespace

DoubleClickSettings& WindowsDoubleClickSettings() {
  static WindowsSettings settings;
  return settings;
}

}  // namespace frixa
