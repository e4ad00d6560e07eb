#include "dao/recordset.h"

#include "dao/detail/field_impl.h"
#include "dao/detail/nocase.h"
#include "dao/detail/recordset_impl.h"
#include "platform/failure.h"

namespace calvora::dao {

namespace detail {

namespace {

class RecordsetFieldImpl : public FieldImpl {
  public:
    RecordsetFieldImpl(std::shared_ptr<RecordsetImpl> rs, size_t index)
        : rs_(std::move(rs)), index_(index) {}

    std::string Name() const override { return (*rs_->columns)[index_].name; }
    void SetName(std::string_view) override {
        throw Failure(err::kInvalidOperation, kSourceField,
                      "Invalid operation: field " + rs_->FieldText(index_) +
                          " of a recordset cannot be renamed");
    }
    ColumnType Type() const override { return (*rs_->columns)[index_].type; }
    std::string DeclaredType() const override { return (*rs_->columns)[index_].declared; }
    Variant Value() const override { return rs_->Value(index_); }
    void SetValue(const Variant& value) override { rs_->SetValue(index_, value); }

  private:
    std::shared_ptr<RecordsetImpl> rs_;
    size_t index_;
};

class RecordsetFieldsImpl : public FieldsImpl {
  public:
    explicit RecordsetFieldsImpl(std::shared_ptr<RecordsetImpl> rs) : rs_(std::move(rs)) {}

    int32_t Count() const override {
        rs_->Check();
        return static_cast<int32_t>(rs_->columns->size());
    }
    Field Item(int32_t index) const override {
        return Field(std::make_shared<RecordsetFieldImpl>(rs_, static_cast<size_t>(index)));
    }
    int32_t Find(std::string_view name) const override {
        rs_->Check();
        for (size_t i = 0; i < rs_->columns->size(); ++i)
            if (SameName((*rs_->columns)[i].name, name))
                return static_cast<int32_t>(i);
        return -1;
    }

  private:
    std::shared_ptr<RecordsetImpl> rs_;
};

}  // namespace

}  // namespace detail

detail::RecordsetImpl& Recordset::Impl() const {
    if (!impl_)
        detail::RaiseNothing(kSourceRecordset, "recordset");
    return *impl_;
}

dao::Fields Recordset::Fields() const {
    Impl().Check();
    return dao::Fields(std::make_shared<detail::RecordsetFieldsImpl>(impl_));
}

bool Recordset::Eof() const {
    Impl().Check();
    return impl_->eof;
}

bool Recordset::Bof() const {
    Impl().Check();
    return impl_->bof;
}

void Recordset::MoveFirst() {
    Impl().MoveFirst();
}

void Recordset::MoveNext() {
    Impl().MoveNext();
}

int32_t Recordset::RecordCount() const {
    return Impl().RecordCount();
}

std::vector<std::vector<Variant>> Recordset::GetRows(int32_t count) {
    return Impl().GetRows(count);
}

void Recordset::AddRecord(const std::vector<Variant>& values) {
    Impl().AddRecord(values);
}

void Recordset::EditField(int32_t field, const std::vector<Variant>& values,
                          const std::vector<bool>& edited) {
    if (field < 0)
        detail::RaiseNoFieldNumber(field, static_cast<int64_t>(Impl().columns->size()));
    Impl().EditField(static_cast<size_t>(field), values, edited);
}

void Recordset::Edit() {
    Impl().Edit();
}

void Recordset::AddNew() {
    Impl().AddNew();
}

void Recordset::Update() {
    Impl().Update();
}

void Recordset::CancelUpdate() {
    Impl().Check();
    impl_->mode = detail::RecordsetImpl::Mode::None;
}

void Recordset::Close() {
    Impl().closed = true;
    impl_.reset();
}

}  // namespace calvora::dao
