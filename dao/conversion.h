// Converting a value to a field's type, as the Jet engine does when a field is
// written (and, for values a client stored in another form, when it is read).
//
// Empty and Null become Null in every field. Otherwise, by the field's type:
//
// Boolean      Boolean itself; a number, Currency or Date: true when not 0;
//              text "True"/"False"/"Yes"/"No"/"On"/"Off" (case-blind) or
//              number text.
// Byte,        a number (Boolean -1/0, Currency, Date serial) rounded half
// Integer,     to even; text first read as a number. Out of range 3421.
// Long
// Currency,    the number (Boolean -1/0, Date serial); text read as a
// Single,      number. Currency keeps 4 decimals (rounded); Single 7
// Double       significant digits. Out of range 3421.
// Date         a Date itself; a number as the serial; text
//              "YYYY-MM-DD[ HH:MM[:SS]]" or "HH:MM[:SS]" or number text.
// Text, Memo   text itself; Boolean "-1"/"0"; a number its plain text
//              (NumberToText; Currency with up to 4 decimals); a Date
//              "YYYY-MM-DD HH:MM:SS". Text longer than a Text field's Size
//              (in characters) is 3163.
// Guid         text "{8-4-4-4-12 hex digits}" (braces optional; stored with
//              braces, upper case).
// LongBinary   Binary itself; text as its UTF-8 bytes.
//
// Everything else is 3421: Binary into any field but LongBinary, numbers and
// Booleans into Guid and LongBinary, text that is not a number into a number
// field ("" included, blanks around a number are allowed, decimal point ".",
// exponent allowed).
//
// Ranges: Byte 0..255, Integer -32768..32767, Long -2^31..2^31-1, Currency
// +-922337203685477.5807, Single +-3.402823E38; NaN never converts. Dates
// run from 100-01-01 to 9999-12-31.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <utility>

#include "dao/schema.h"
#include "platform/variant.h"

namespace calvora::dao {

// True when v already is what ConvertForField makes of it for this type
// (Null, or a value of the field's own type that the field holds as it is):
// it may then be stored without converting.
//
// Every value read or written passes here, and nearly all of them already
// are of their field's type: that case is decided inline, the conversions
// are made out of line.
inline bool HoldsFieldValue(const Variant& v, const ColumnType& type) {
    switch (v.Type()) {
        case VarType::Null:
            return true;
        case VarType::Boolean:
            return type.type == DataType::Boolean;
        case VarType::Byte:
            return type.type == DataType::Byte;
        case VarType::Integer:
            return type.type == DataType::Integer;
        case VarType::Long:
            return type.type == DataType::Long;
        case VarType::Double:
            return type.type == DataType::Double && std::isfinite(v.AsDouble());
        case VarType::String:
            // A text of no more bytes than the field's size has no more
            // characters either.
            return type.type == DataType::Memo ||
                   (type.type == DataType::Text &&
                    v.AsText().size() <= static_cast<size_t>(type.size));
        default:
            return false;
    }
}

namespace detail {
// ConvertForField for a value that is not yet what the field holds.
Variant ConvertOtherForField(const Variant& v, const ColumnType& type, std::string_view fieldName);
}  // namespace detail

// The value v as the field of this type holds it: a Variant of the field's
// type (Boolean, Byte, Integer, Long, Currency, Single, Double, Date, Text
// for Text/Memo/Guid, Binary) or Null. fieldName names the field (for example
// "PRESET_DEFS.min") in failure descriptions. Raises 3421 when v does not
// convert, 3163 when a text is longer than a Text field's Size.
inline Variant ConvertForField(const Variant& v, const ColumnType& type,
                               std::string_view fieldName) {
    if (HoldsFieldValue(v, type))
        return v;
    return detail::ConvertOtherForField(v, type, fieldName);
}
// The same for a value no longer needed: moved, not copied, when the field
// holds it as it is.
inline Variant ConvertForField(Variant&& v, const ColumnType& type, std::string_view fieldName) {
    if (HoldsFieldValue(v, type))
        return std::move(v);
    return detail::ConvertOtherForField(v, type, fieldName);
}

// Date serial <-> the stored text "YYYY-MM-DD HH:MM:SS" (seconds rounded).
std::string DateToText(Date d);
// Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" and
// "HH:MM[:SS]" (a time alone is a serial below 1). False when text is none of
// these or names no valid date.
bool TextToDate(std::string_view text, Date& out);

}  // namespace calvora::dao
