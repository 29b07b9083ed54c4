// CorruptError: the engine's corruption error, with the detail of what did not fit.
#include "jet/corrupt.h"

#include <utility>

namespace frixa::jet {

CorruptError::CorruptError(std::string detail, std::string database)
    : Error(errnum::kJetCorrupt,
            JetErrorDescription(errnum::kJetCorrupt, database) + "  (" + detail + ")"),
      detail_(std::move(detail)),
      database_(std::move(database)) {}

void ThrowCorrupt(std::string detail) { throw CorruptError(std::move(detail)); }

}  // namespace frixa::jet
