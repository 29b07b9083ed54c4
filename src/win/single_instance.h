// The test for a previous instance of the program: a named mutex that the first instance holds
// for its whole life.
#pragma once

#include <windows.h>

namespace frixa::win {

inline constexpr const char* kInstanceMutexName = "Frixa.Torvex2.Losses.Instance";

class SingleInstance {
 public:
  explicit SingleInstance(const char* name = kInstanceMutexName);
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // True when another instance held the name before this one started.
  bool AnotherIsRunning() const { return another_; }

 private:
  HANDLE mutex_ = nullptr;
  bool another_ = false;
};

}  // namespace frixa::win
