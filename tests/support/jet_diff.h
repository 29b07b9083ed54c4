// Where two Jet 3 files first differ, told by table and row (through jet_peek), so that a test
// pinning written bytes says what changed, not only that something did.
#pragma once

#include <string>

#include "support/jet_peek.h"

namespace frixa::testing {

// "" when the bytes are the same; otherwise the first table whose definition or rows differ
// ("table RawData, row 17 of 344 (page 20, slot 3): column 2 (Power) ..."), or, when every table
// reads the same, the first differing page and byte outside them.
std::string FirstDifference(const PeekFile& want, const PeekFile& got);

}  // namespace frixa::testing
