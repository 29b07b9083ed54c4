// Standard descriptions of the runtime error numbers the core raises.
#include "common/error.h"

#include <new>
#include <stdexcept>

#include "common/number_text.h"

namespace frixa {

std::string RuntimeErrorDescription(int number) {
  switch (number) {
    case errnum::kInvalidProcedureCall: return "Invalid procedure call or argument";
    case errnum::kOverflow: return "Overflow";
    case errnum::kOutOfMemory: return "Out of memory";
    case errnum::kSubscriptOutOfRange: return "Subscript out of range";
    case errnum::kDivisionByZero: return "Division by zero";
    case errnum::kTypeMismatch: return "Type mismatch";
    case errnum::kInternalError: return "Internal error";
    case errnum::kBadFileNameOrNumber: return "Bad file name or number";
    case errnum::kFileNotFound: return "File not found";
    case errnum::kBadFileMode: return "Bad file mode";
    case errnum::kDiskFull: return "Disk full";
    case errnum::kInputPastEnd: return "Input past end of file";
    case errnum::kPermissionDenied: return "Permission denied";
    case errnum::kPathFileAccess: return "Path/File access error";
    case errnum::kPathNotFound: return "Path not found";
    case errnum::kResourceNotFound: return "Resource with identifier not found";
    case errnum::kObjectNotSet: return "Object variable or With block variable not set";
    case errnum::kInvalidUseOfNull: return "Invalid use of Null";
    default: return "Application-defined or object-defined error";
  }
}

void RaiseRuntimeError(int number) { throw Error(number, RuntimeErrorDescription(number)); }

std::string FrixaErrorDescription(int number, const std::string& detail) {
  switch (number) {
    case errnum::kSmoothingRefused:
    case errnum::kCombiningRefused:
    case errnum::kDoesNotFit: return detail;
    case errnum::kNoRunData: return "No RUN DATA recorded";
    case errnum::kCorruptRunData: return "The Runtime Data is corrupt and cannot be processed";
    default: return RuntimeErrorDescription(number);
  }
}

DoesNotFit::DoesNotFit(const std::string& what)
    : Error(errnum::kDoesNotFit, FrixaErrorDescription(errnum::kDoesNotFit, what)) {}

Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(errnum::kOutOfMemory, RuntimeErrorDescription(errnum::kOutOfMemory));
  } catch (const std::length_error&) {
    return Error(errnum::kOutOfMemory, RuntimeErrorDescription(errnum::kOutOfMemory));
  } catch (...) {
    return Error(errnum::kInternalError, RuntimeErrorDescription(errnum::kInternalError));
  }
}

std::string JetErrorDescription(int number, const std::string& item) {
  switch (number) {
    case errnum::kJetUpdateWithoutAddNew:
      return "Update or CancelUpdate without AddNew or Edit.";
    case errnum::kJetNoCurrentRecord: return "No current record.";
    case errnum::kJetDiskFull: return "Not enough space on disk.";
    case errnum::kJetDiskError: return "Disk or network error.";
    case errnum::kJetRecordTooLarge: return "Record is too large.";
    case errnum::kJetRecordDeleted: return "Record is deleted.";
    case errnum::kJetDataChanged:
      return "The Microsoft Jet database engine stopped the process because you and another "
             "user are attempting to change the same data at the same time.";
    case errnum::kJetNullNotAllowed:
      return "The field '" + item + "' can't contain a Null value because the Required "
             "property for this field is set to True.  Enter a value in this field.";
    case errnum::kJetNumericOverflow: return "Numeric field overflow.";
    case errnum::kJetConversionError: return "Data type conversion error.";
    case errnum::kJetFileNotFound: return "Couldn't find file '" + item + "'.";
    case errnum::kJetReadOnly: return "Can't update.  Database or object is read-only.";
    case errnum::kJetInvalidPassword: return "Not a valid password.";
    case errnum::kJetCorrupt:
      return "Can't open database '" + item +
             "'.  It may not be a database that your application recognizes, or the file may "
             "be corrupt.";
    case errnum::kJetCannotOpen:
      return "The Microsoft Jet database engine cannot open the file '" + item +
             "'.  It is already opened exclusively by another user, or you need permission "
             "to view its data.";
    case errnum::kJetTooFewParameters: return "Too few parameters. Expected " + item + ".";
    case errnum::kJetSyntax:
      return "Syntax error (missing operator) in query expression '" + item + "'.";
    case errnum::kJetNoSuchTable:
      return "The Microsoft Jet database engine cannot find the input table or query '" + item +
             "'.  Make sure it exists and that its name is spelled correctly.";
    case errnum::kJetInvalidStatement:
      return "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
             "'UPDATE'.";
    case errnum::kJetSyntaxInFrom: return "Syntax error in FROM clause.";
    case errnum::kJetSelectSyntax:
      return "The SELECT statement includes a reserved word or an argument name that is "
             "misspelled or missing, or the punctuation is incorrect.";
    case errnum::kJetCharactersAfterEnd: return "Characters found after end of SQL statement.";
    case errnum::kJetTextTooLong:
      return "The field is too small to accept the amount of data you attempted to add.  Try "
             "inserting or pasting less data.";
    case errnum::kJetItemNotFound: return "Item not found in this collection.";
    case errnum::kJetZeroLengthNotAllowed:
      return "Field '" + item + "' can't be a zero-length string.";
    case errnum::kJetUnrecognisedFormat: return "Unrecognized database format '" + item + "'.";
    case errnum::kJetCriteriaTypeMismatch: return "Data type mismatch in criteria expression.";
    default: return "Reserved error (" + std::to_string(number) + "); there is no message for this error.";
  }
}

void RaiseJetError(int number, const std::string& item) {
  throw Error(number, JetErrorDescription(number, item));
}

std::string ErrorOccurredText(int number, const std::string& tail) {
  return "An ERROR (" + SignedNumberText(static_cast<std::int32_t>(number)) + ") has occured" + tail;
}

}  // namespace frixa
