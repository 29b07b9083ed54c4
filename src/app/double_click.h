// The system-wide double-click metrics while a loss graph holds the keyboard focus. A graph that
// gains the focus switches double clicks off (rectangle 0 x 0, time 0); when it loses the focus
// the values that were in force before are put back, so the user's own settings survive a visit
// to the graphs.
#pragma once

#include <cstdint>
#include <optional>

namespace frixa {

// SystemParametersInfoA actions and flags the metrics use.
inline constexpr std::uint32_t kSpiSetDoubleClkWidth = 29;
inline constexpr std::uint32_t kSpiSetDoubleClkHeight = 30;
inline constexpr std::uint32_t kSpiSetDoubleClickTime = 32;
inline constexpr std::uint32_t kSpifUpdateAndBroadcast = 3;  // update the profile, broadcast

struct DoubleClickMetrics {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t timeMs = 0;
  friend bool operator==(const DoubleClickMetrics&, const DoubleClickMetrics&) = default;
};

// The platform's settings: read what is in force, change one value.
class DoubleClickSettings {
 public:
  virtual ~DoubleClickSettings() = default;
  virtual DoubleClickMetrics Current() = 0;
  virtual void SystemParametersInfoA(std::uint32_t action, std::uint32_t value,
                                     std::uint32_t flags) = 0;
};

// Width, height, then time, each with a null pointer as third argument; persist writes the user
// profile and broadcasts the change. Results are ignored.
void SetDoubleClickMetrics(DoubleClickSettings& settings, std::int32_t width,
                           std::int32_t height, std::int32_t time, bool persist);

// The focus handlers shared by both graphs.
class GraphFocusMetrics {
 public:
  explicit GraphFocusMetrics(DoubleClickSettings& settings) : settings_(settings) {}
  GraphFocusMetrics(const GraphFocusMetrics&) = delete;
  GraphFocusMetrics& operator=(const GraphFocusMetrics&) = delete;
  // A graph that goes with the window while it has the focus hears no more of it: the user's
  // values go back all the same.
  ~GraphFocusMetrics() { LostFocus(); }

  // Saves the values in force (unless a graph already holds them) and sets 0, 0, 0.
  void GotFocus();
  // Puts the saved values back; nothing when no graph had the focus.
  void LostFocus();

 private:
  DoubleClickSettings& settings_;
  std::optional<DoubleClickMetrics> saved_;
};

}  // namespace frixa
