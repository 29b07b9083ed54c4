// The error number a piece of code raises (0 when it raises none), for tests of refusals.
#pragma once

#include <functional>

#include "common/error.h"

namespace frixa::testing {

inline int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace frixa::testing
