// Standard descriptions of the runtime error numbers the core raises.
#include "common/error.h"

namespace frixa {

std::string RuntimeErrorDescription(int number) {
  switch (number) {
    case errnum::kInvalidProcedureCall: return "Invalid procedure call or argument";
    case errnum::kOverflow: return "Overflow";
    case errnum::kOutOfMemory: return "Out of memory";
    case errnum::kSubscriptOutOfRange: return "Subscript out of range";
    case errnum::kDivisionByZero: return "Division by zero";
    case errnum::kTypeMismatch: return "Type mismatch";
    case errnum::kBadFileNameOrNumber: return "Bad file name or number";
    case errnum::kFileNotFound: return "File not found";
    case errnum::kBadFileMode: return "Bad file mode";
    case errnum::kDiskFull: return "Disk full";
    case errnum::kInputPastEnd: return "Input past end of file";
    case errnum::kPermissionDenied: return "Permission denied";
    case errnum::kPathFileAccess: return "Path/File access error";
    case errnum::kPathNotFound: return "Path not found";
    case errnum::kResourceNotFound: return "Resource with identifier not found";
    default: return "Application-defined or object-defined error";
  }
}

void RaiseRuntimeError(int number) { throw Error(number, RuntimeErrorDescription(number)); }

}  // namespace frixa
