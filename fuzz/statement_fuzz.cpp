// libFuzzer target of the record-set statement parser (ParseStatement): any text must parse or
// be refused with a frixa::Error. Seeds: tests/data/fuzz/statement/.
#include <cstddef>
#include <cstdint>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)frixa::fuzz::StatementThroughParser(data, size);
  return 0;
}
