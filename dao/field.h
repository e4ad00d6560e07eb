// A field: a column of a table definition, a column of a recordset, or a new
// field made by TableDef::CreateField that is not appended yet.
//
// Field is a handle: copies refer to the same field. A default-constructed
// Field is "Nothing": every operation raises 91. A field of a database that
// has been closed raises 3420.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dao/types.h"
#include "platform/variant.h"

namespace calvora::dao {

namespace detail {
class FieldImpl;
}

class Field {
  public:
    Field() = default;
    explicit Field(std::shared_ptr<detail::FieldImpl> impl) : impl_(std::move(impl)) {}

    explicit operator bool() const { return impl_ != nullptr; }

    // The field's name as the table declares it.
    std::string Name() const;

    // Renames the field. On a table definition's field of a stored table the
    // column is renamed in the file and its data kept; a change of letter
    // case alone is allowed. Raises 3191 when another field of the table
    // already has the name (case-blind), 3219 on a recordset's field.
    void SetName(std::string_view name);

    DataType Type() const;
    // The DAO Size: characters for Text, 0 for Memo and LongBinary, the
    // fixed byte size otherwise.
    int32_t Size() const;
    // The column's declared type in the file (for example TEXT(50), COUNTER,
    // or a type some other client wrote); see schema.h.
    std::string DeclaredType() const;

    // The properties "Name" (Text), "Type" (Integer) and "Size" (Long), by
    // case-blind name. Raises 3270 for any other name.
    Variant Property(std::string_view name) const;

    // The value of the recordset's current record (or of the record being
    // edited or added): a Variant of the field's type, or Null. Raises 3021
    // when there is no current record, 3219 on a table definition's field.
    Variant Value() const;

    // Writes the value into the record being edited or added, converted as
    // described in conversion.h. Raises 3020 when neither Edit nor AddNew
    // is in progress, 3421 / 3163 when the value does not convert or fit,
    // 3219 on a table definition's field.
    void SetValue(const Variant& value);

    detail::FieldImpl& Impl() const;  // for the engine's own use
    const std::shared_ptr<detail::FieldImpl>& Shared() const;

  private:
    std::shared_ptr<detail::FieldImpl> impl_;
};

}  // namespace calvora::dao
