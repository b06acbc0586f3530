// SPDX-License-Identifier: GPL-3.0-or-later
// A value of our reader written the way esedbexport writes it, so that the
// two readers can be compared cell by cell.
#pragma once

#include "catalogue.h"
#include "long_value.h"
#include "record.h"

#include <optional>
#include <string>

namespace trovana::ese::test {

// The cell esedbexport writes for `value` (none: null) of `column` in table
// `table`: integers in decimal, Bit as true/false, floating point with six
// decimals, text with \\ \n \r \t \0 escaped, binary data in lowercase hex,
// multi-values joined with "; ", the date columns it knows by name as dates.
std::string ExportedText(const std::string& table, const Column& column, const ColumnValue* value,
                         const LongValues& longValues);

// True when `cell` and `ours` mean the same: equal, or both dates less than
// a second apart (esedbexport's floating-point dates).
bool SameCell(const std::string& cell, const std::string& ours);

}  // namespace trovana::ese::test
