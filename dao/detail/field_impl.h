// The engine's side of Field and Fields: one interface, implemented by the
// fields of a new table definition (here), of a stored table
// (tabledef.cpp) and of a recordset (recordset.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dao/field.h"
#include "dao/schema.h"
#include "platform/variant.h"

namespace calvora::dao::detail {

class FieldImpl {
  public:
    virtual ~FieldImpl() = default;
    virtual std::string Name() const = 0;
    virtual void SetName(std::string_view name) = 0;
    virtual ColumnType Type() const = 0;
    virtual std::string DeclaredType() const = 0;
    // Table definition fields have no value: 3219.
    virtual Variant Value() const;
    virtual void SetValue(const Variant& value);
};

class FieldsImpl {
  public:
    virtual ~FieldsImpl() = default;
    virtual int32_t Count() const = 0;
    // index is within 0 .. Count() - 1 (checked by Fields).
    virtual Field Item(int32_t index) const = 0;
    // Position of the field of that case-blind name, or -1.
    virtual int32_t Find(std::string_view name) const = 0;
    // A recordset's fields: 3219.
    virtual void Append(const Field& field);
    virtual void Refresh() {}
};

// A field made by CreateField: a description until a table takes it in.
class NewFieldImpl : public FieldImpl {
  public:
    NewFieldImpl(std::string name, ColumnType type) : name_(std::move(name)), type_(type) {}
    std::string Name() const override { return name_; }
    void SetName(std::string_view name) override { name_ = name; }
    ColumnType Type() const override { return type_; }
    std::string DeclaredType() const override { return DeclaredTypeFor(type_.type, type_.size); }

    // Set when appended to a table; such a field cannot be appended again.
    bool appended = false;

  private:
    std::string name_;
    ColumnType type_;
};

// Raises 91: the object is "Nothing".
[[noreturn]] void RaiseNothing(const char* source, const char* what);
// Raises 3265: there is no field number index in a collection of count.
[[noreturn]] void RaiseNoFieldNumber(int64_t index, int64_t count);

}  // namespace calvora::dao::detail
