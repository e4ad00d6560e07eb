// Converting a value to a field's type, as the Jet engine does when a field is
// written (and, for values that a client stored in another form, when it is
// read).
//
//   value \ field  Boolean    Byte/Integer/Long   Currency/Single/Double  Date          Text/Memo
//   Guid           LongBinary Empty, Null    Null       Null                Null Null          Null
//   Null           Null Boolean        itself     -1 / 0              -1 / 0 serial -1/0   "-1" /
//   "0"      3421           3421 number         <> 0       rounded half to     the number the
//   number    plain number    3421           3421
//                             even; out of range                          as serial     text (see
//                             3421 NumberToText)
//   Currency       <> 0       as number           as number               as serial     up to 4
//   decimals 3421          3421 Date           <> 0       serial, rounded     serial itself
//   "YYYY-MM-DD     3421           3421
//                                                                                       HH:MM:SS"
//   Text           "True"/    number text (blanks trimmed, "." decimal    YYYY-MM-DD    itself;
//   longer  {8-4-4-4-12}   its UTF-8
//                  "False"/   point, exponent allowed), then as number;   [HH:MM[:SS]]  than Size:
//                  3163 hex, braces    bytes number     other text (also "") 3421 or number
//                  optional; else text                                                   text; else
//                  3421
//                                                                         3421
//   Binary         3421       3421                3421                    3421          3421 3421
//   itself
//
// Ranges: Byte 0..255, Integer -32768..32767, Long -2^31..2^31-1, Currency
// +-922337203685477.5807, Single +-3.402823E38; outside them (or NaN) 3421.
// Dates run from 100-01-01 to 9999-12-31.
#pragma once

#include <string>
#include <string_view>

#include "platform/variant.h"
#include "presetdb/dao_schema.h"

namespace calvora::dao {

// The value v as the field of this type holds it: a Variant of the field's
// type (Boolean, Byte, Integer, Long, Currency, Single, Double, Date, Text
// for Text/Memo/Guid, Binary) or Null. fieldName names the field (for example
// "PRESET_DEFS.min") in failure descriptions. Raises 3421 when v does not
// convert, 3163 when a text is longer than a Text field's Size.
Variant ConvertForField(const Variant& v, const ColumnType& type, std::string_view fieldName);

// Date serial <-> the stored text "YYYY-MM-DD HH:MM:SS" (seconds rounded).
std::string DateToText(Date d);
// Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" and
// "HH:MM[:SS]" (a time alone is a serial below 1). False when text is none of
// these or names no valid date.
bool TextToDate(std::string_view text, Date& out);

}  // namespace calvora::dao
