#include "dao/field.h"

#include "dao/detail/field_impl.h"
#include "dao/tabledef.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao {

namespace detail {

void RaiseNothing(const char* source, const char* what) {
    throw Failure(calvora::err::kObjectNotSet, source,
                  std::string("Object variable not set: the ") + what + " is Nothing");
}

void RaiseNoFieldNumber(int64_t index, int64_t count) {
    throw Failure(err::kItemNotFound, kSourceFields,
                  "Item not found in this collection: field number " + std::to_string(index) +
                      " (the collection holds " + std::to_string(count) + ")");
}

namespace {
[[noreturn]] void RaiseNoValue(const FieldImpl& field) {
    throw Failure(
        err::kInvalidOperation, kSourceField,
        "Invalid operation: field " + field.Name() + " of a table definition has no value");
}
}  // namespace

Variant FieldImpl::Value() const {
    RaiseNoValue(*this);
}

void FieldImpl::SetValue(const Variant&) {
    RaiseNoValue(*this);
}

void FieldsImpl::Append(const Field& field) {
    throw Failure(err::kInvalidOperation, kSourceFields,
                  "Invalid operation: a recordset's fields cannot take the field " + field.Name());
}

}  // namespace detail

detail::FieldImpl& Field::Impl() const {
    if (!impl_)
        detail::RaiseNothing(kSourceField, "field");
    return *impl_;
}

const std::shared_ptr<detail::FieldImpl>& Field::Shared() const {
    Impl();
    return impl_;
}

std::string Field::Name() const {
    return Impl().Name();
}

void Field::SetName(std::string_view name) {
    Impl().SetName(name);
}

DataType Field::Type() const {
    return Impl().Type().type;
}

int32_t Field::Size() const {
    return Impl().Type().size;
}

std::string Field::DeclaredType() const {
    return Impl().DeclaredType();
}

Variant Field::Property(std::string_view name) const {
    if (EqualsNoCase(name, "Name"))
        return Variant::Text(Name());
    if (EqualsNoCase(name, "Type"))
        return Variant::Integer(static_cast<int16_t>(Type()));
    if (EqualsNoCase(name, "Size"))
        return Variant::Long(Size());
    throw Failure(err::kPropertyNotFound, kSourceField,
                  "Property not found: '" + std::string(name) + "' of field " + Name());
}

Variant Field::Value() const {
    return Impl().Value();
}

void Field::SetValue(const Variant& value) {
    Impl().SetValue(value);
}

int32_t Fields::Count() const {
    if (!impl_)
        detail::RaiseNothing(kSourceFields, "field collection");
    return impl_->Count();
}

Field Fields::Item(int32_t index) const {
    if (index < 0 || index >= Count())
        detail::RaiseNoFieldNumber(index, Count());
    return impl_->Item(index);
}

Field Fields::Item(std::string_view name) const {
    if (!impl_)
        detail::RaiseNothing(kSourceFields, "field collection");
    const int32_t index = impl_->Find(name);
    if (index < 0)
        throw Failure(err::kItemNotFound, kSourceFields,
                      "Item not found in this collection: field '" + std::string(name) + "'");
    return impl_->Item(index);
}

bool Fields::Contains(std::string_view name) const {
    return Find(name) >= 0;
}

int32_t Fields::Find(std::string_view name) const {
    if (!impl_)
        detail::RaiseNothing(kSourceFields, "field collection");
    return impl_->Find(name);
}

void Fields::Append(const Field& field) {
    if (!impl_)
        detail::RaiseNothing(kSourceFields, "field collection");
    impl_->Append(field);
}

void Fields::Refresh() {
    if (!impl_)
        detail::RaiseNothing(kSourceFields, "field collection");
    impl_->Refresh();
}

}  // namespace calvora::dao
