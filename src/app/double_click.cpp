// Double-click metrics around the graphs' focus: see double_click.h.
#include "app/double_click.h"

namespace frixa {

void SetDoubleClickMetrics(DoubleClickSettings& settings, std::int32_t width,
                           std::int32_t height, std::int32_t time, bool persist) {
  const std::uint32_t flags = persist ? kSpifUpdateAndBroadcast : 0;
  settings.SystemParametersInfoA(kSpiSetDoubleClkWidth, static_cast<std::uint32_t>(width), flags);
  settings.SystemParametersInfoA(kSpiSetDoubleClkHeight, static_cast<std::uint32_t>(height),
                                 flags);
  settings.SystemParametersInfoA(kSpiSetDoubleClickTime, static_cast<std::uint32_t>(time), flags);
}

void GraphFocusMetrics::GotFocus() {
  if (!saved_) saved_ = settings_.Current();
  SetDoubleClickMetrics(settings_, 0, 0, 0, false);
}

void GraphFocusMetrics::LostFocus() {
  if (!saved_) return;
  const DoubleClickMetrics before = *saved_;
  saved_.reset();
  SetDoubleClickMetrics(settings_, before.width, before.height, before.timeMs, false);
}

}  // namespace frixa
