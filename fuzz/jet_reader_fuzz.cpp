// libFuzzer target of the Jet reader: opens the input bytes as a database, enumerates the
// catalog and reads every value of every table. Any input must end normally or in a
// frixa::Error; sanitizers catch the rest. Seeds: tests/data/fuzz/jet/.
#include <cstddef>
#include <cstdint>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)frixa::fuzz::JetBytesThroughReader(data, size);
  return 0;
}
