// Values assigned to fields, turned into what their columns store, the way the engine converts
// an assigned value: a single-precision whole number stored into a Long column becomes that
// integer, a number stored into a text column becomes its text, a date stored into a text
// column becomes the date's text in the platform's short date form (through a hook the
// platform layer sets), and numeric text stored into a number column becomes that number.
#pragma once

#include <functional>
#include <string>

#include "jet/column.h"
#include "jet/value.h"
#include "recordset/record_set.h"

namespace frixa {

// `value` as `column` stores it. Raises 3421 for a value that does not convert (text that is
// not a number into a number column, anything but text into a Binary column, a date given as
// text) and 3349 for a number outside the column's range. Whole-number columns round halves to
// even, as the runtime does. Text keeps its cp1252 bytes; lengths are the engine's business.
jet::Value ToColumnValue(const FieldValue& value, const jet::ColumnDef& column);

// `number` as a column of a fixed-size number type (jet::IsFixedNumberType) stores it, by the
// rules of ToColumnValue: 3349 for a number outside the column's range.
jet::FixedNumber ToFixedNumber(double number, jet::ColumnType type);

// The text a date value (days since 1899-12-30) takes in a text column: the platform's short
// date form. Until the platform sets its own, "M/D/YYYY" (12/3/2024), the form of a US system.
using DateTextFormatter = std::function<std::string(double days)>;
void SetDateTextFormatter(DateTextFormatter formatter);  // empty: back to the default
std::string DateText(double days);

// The text a number takes in a text column: up to 7 (single) or 15 (double) significant digits,
// "." as decimal point, a 0 before it below 1 ("0.5"), no leading blank.
std::string NumberText(const FieldValue& number);

}  // namespace frixa
