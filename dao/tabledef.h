// Table definitions and their field collections.
//
// A TableDef either describes a stored table of an open database (from
// Database::TableDefs()) or is a new definition made by
// Database::CreateTableDef that becomes a stored table when appended to the
// database's TableDefs. Handles: copies refer to the same definition; a
// default-constructed one is "Nothing" (every operation raises 91).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dao/field.h"
#include "dao/types.h"

namespace calvora::dao {

namespace detail {
class TableDefImpl;
class FieldsImpl;
}  // namespace detail

// The fields of a table definition or of a recordset, in column order.
class Fields {
  public:
    Fields() = default;
    explicit Fields(std::shared_ptr<detail::FieldsImpl> impl) : impl_(std::move(impl)) {}

    int32_t Count() const;
    // Item by position 0 .. Count() - 1; raises 3265 outside.
    Field Item(int32_t index) const;
    // Item by case-blind name; raises 3265 when there is none.
    Field Item(std::string_view name) const;
    // True when a field of that case-blind name exists.
    bool Contains(std::string_view name) const;
    // The position of the field of that case-blind name, or -1.
    int32_t Find(std::string_view name) const;

    // Appends a field made by TableDef::CreateField. On a stored table the
    // column is added to the file at once (existing records hold Null); on a
    // new definition it is kept until the definition is appended. Raises
    // 3191 when the name exists (case-blind), 3219 on a recordset's fields
    // or for a field that is already part of a table.
    void Append(const Field& field);

    // Re-reads the collection from the file (after renames or appends).
    void Refresh();

  private:
    std::shared_ptr<detail::FieldsImpl> impl_;
};

class TableDef {
  public:
    TableDef() = default;
    explicit TableDef(std::shared_ptr<detail::TableDefImpl> impl) : impl_(std::move(impl)) {}

    explicit operator bool() const { return impl_ != nullptr; }

    std::string Name() const;
    dao::Fields Fields() const;

    // A new field, not yet part of any table: name, type code and size (Size
    // matters for Text only: 1..255). A COUNTER source field passed on by its
    // Type (4) arrives as a plain Long. Raises 3259 for an unknown type code,
    // 5 for a Text size outside 1..255.
    Field CreateField(std::string_view name, DataType type, int32_t size) const;

    detail::TableDefImpl& Impl() const;  // for the engine's own use

  private:
    std::shared_ptr<detail::TableDefImpl> impl_;
};

}  // namespace calvora::dao
