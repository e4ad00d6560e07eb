#include "tools/mdb_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "tools/mdb_record.h"

namespace fs = std::filesystem;

namespace calvora::mdbimport {

namespace {

// mdbtools reports damaged pages on stderr ("Oops! didn't get a full page")
// besides returning failure. The reader states every failure itself, in one
// message naming file, table and record, so the library's own lines are kept
// off the terminal while it works.
class SilencedStderr {
  public:
    SilencedStderr() : saved_(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~SilencedStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    SilencedStderr(const SilencedStderr&) = delete;
    SilencedStderr& operator=(const SilencedStderr&) = delete;

  private:
    int saved_;
};

}  // namespace

struct AccessReader::Handle {
    SilencedStderr quiet;  // first in, last out: covers mdb_close too
    MdbHandle* mdb = nullptr;
    std::vector<MdbCatalogEntry*> entries;  // parallel to tables_
    ~Handle() {
        if (mdb)
            mdb_close(mdb);
    }
};

namespace {

// Row offsets on a data page carry flags in their top bits.
constexpr int kRowOffsetMask = 0x1fff;

struct TableDefFree {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefFree>;

std::string Damaged(const fs::path& file) {
    return Quoted(file.string()) + " is damaged: ";
}

// Looks at the start of the file so that a missing, unreadable, foreign or
// SQLite file gets a plain message instead of mdbtools' generic refusal (it
// even accepts an empty file). An Access file names its format at offset 4.
void CheckAccessHeader(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec))
        throw ImportFailure(Quoted(file.string()) + ": file not found");
    if (!fs::is_regular_file(file, ec)) {
        throw ImportFailure(Quoted(file.string()) + " is not a file");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ImportFailure(Quoted(file.string()) + " cannot be read");
    char head[20] = {};
    in.read(head, sizeof head);
    if (std::memcmp(head, "SQLite format 3", 16) == 0) {
        throw ImportFailure(Quoted(file.string()) +
                            " is already an SQLite database; there is nothing to convert");
    }
    if (std::memcmp(head + 4, "Standard Jet DB", 16) != 0 &&
        std::memcmp(head + 4, "Standard ACE DB", 16) != 0) {
        throw ImportFailure(Quoted(file.string()) + " is not an Access database (.mdb)");
    }
}

const char* AccessTypeName(int colType) {
    switch (colType) {
        case MDB_BINARY:
            return "Binary";
        case MDB_NUMERIC:
            return "Decimal";
        case MDB_COMPLEX:
            return "Attachment or multi-valued";
        default:
            return "unknown";
    }
}

ImportField FieldOf(const MdbColumn& col, bool jet4, const std::string& where) {
    ImportField field;
    field.name = col.name;
    switch (col.col_type) {
        case MDB_BOOL:
            field.type = dao::DataType::Boolean;
            break;
        case MDB_BYTE:
            field.type = dao::DataType::Byte;
            break;
        case MDB_INT:
            field.type = dao::DataType::Integer;
            break;
        case MDB_LONGINT:
            field.type = dao::DataType::Long;
            field.counter = col.is_long_auto != 0;
            break;
        case MDB_MONEY:
            field.type = dao::DataType::Currency;
            break;
        case MDB_FLOAT:
            field.type = dao::DataType::Single;
            break;
        case MDB_DOUBLE:
            field.type = dao::DataType::Double;
            break;
        case MDB_DATETIME:
            field.type = dao::DataType::Date;
            break;
        case MDB_TEXT:
            field.type = dao::DataType::Text;
            break;
        case MDB_OLE:
            field.type = dao::DataType::LongBinary;
            break;
        case MDB_MEMO:
            field.type = dao::DataType::Memo;
            break;
        case MDB_REPID:
            field.type = dao::DataType::Guid;
            break;
        default:
            throw ImportFailure(where + "field " + Quoted(field.name) + " has the Access type " +
                                AccessTypeName(col.col_type) + " (" + std::to_string(col.col_type) +
                                "), which the SQLite format cannot hold");
    }
    if (field.type == dao::DataType::Text) {
        // Jet 4 states a text field's size in bytes of UTF-16.
        field.size = jet4 ? col.col_size / 2 : col.col_size;
        if (field.size < 1 || field.size > 255) {
            throw ImportFailure(where + "field " + Quoted(field.name) + " has the text size " +
                                std::to_string(field.size) + ", outside 1..255");
        }
    } else {
        field.size = dao::FixedSizeOf(field.type);
    }
    return field;
}

TableDefPtr OpenTableDef(MdbCatalogEntry* entry, const fs::path& file) {
    TableDefPtr table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get())) {
        throw ImportFailure(Damaged(file) + "the definition of table " +
                            Quoted(entry->object_name) + " cannot be read");
    }
    mdb_rewind_table(table.get());
    return table;
}

}  // namespace

AccessReader::AccessReader(const fs::path& file) : file_(file), handle_(new Handle) {
    CheckAccessHeader(file);
    handle_->mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
    if (!handle_->mdb)
        throw ImportFailure(Damaged(file) + "its header cannot be read");
    MdbHandle* mdb = handle_->mdb;
    // The catalog lists the system table it is read from; a catalog without
    // it was not read from a sound file.
    if (!mdb_read_catalog(mdb, MDB_TABLE) || !mdb_get_catalogentry_by_name(mdb, "MSysObjects")) {
        throw ImportFailure(Damaged(file) + "its list of tables cannot be read");
    }
    const bool jet4 = mdb->f->jet_version != MDB_VER_JET3;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        TableDefPtr def = OpenTableDef(entry, file);
        ImportTable table;
        table.name = entry->object_name;
        table.recordCount = def->num_rows;
        const std::string where = Quoted(file.string()) + ": table " + Quoted(table.name) + ", ";
        for (unsigned c = 0; c < def->num_cols; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
            table.fields.push_back(FieldOf(*col, jet4, where));
        }
        tables_.push_back(std::move(table));
        handle_->entries.push_back(entry);
    }
}

AccessReader::~AccessReader() = default;

void AccessReader::ReadRecords(
    const ImportTable& table,
    const std::function<void(const std::vector<FieldValue>&, int64_t)>& onRecord) {
    size_t index = 0;
    while (index < tables_.size() && tables_[index].name != table.name)
        ++index;
    if (index == tables_.size()) {
        throw ImportFailure(Quoted(file_.string()) + " has no table " + Quoted(table.name));
    }
    MdbHandle* mdb = handle_->mdb;
    TableDefPtr def = OpenTableDef(handle_->entries[index], file_);
    const std::vector<ImportField>& fields = tables_[index].fields;
    if (def->num_cols != fields.size()) {
        throw ImportFailure(Damaged(file_) + "table " + Quoted(table.name) +
                            " changed its fields while being read");
    }
    const std::string where = Quoted(file_.string()) + ": table " + Quoted(table.name) + ", ";
    const RecordDecoder decoder(mdb, mdb->f->jet_version != MDB_VER_JET3, where);

    std::vector<MdbField> stored(fields.size());
    std::vector<FieldValue> values(fields.size());
    int64_t record = 0;
    // mdb_fetch_row walks the table's data pages and leaves the page of the
    // record it found in mdb->pg_buf; the record is then cracked again here,
    // because the fetch reports neither which fields are null nor where
    // their bytes are.
    while (mdb_fetch_row(def.get())) {
        ++record;
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, static_cast<int>(def->cur_row) - 1, &start, &size) != 0 ||
            mdb_crack_row(def.get(), start & kRowOffsetMask, size, stored.data()) < 0 ||
            !WithinRecord(stored, fields, start & kRowOffsetMask, size)) {
            throw ImportFailure(where + "record " + std::to_string(record) +
                                " cannot be read (the file is damaged)");
        }
        for (size_t i = 0; i < fields.size(); ++i) {
            values[i] = decoder.Value(fields[i], stored[i], record);
        }
        onRecord(values, record);
    }
    // mdbtools skips records it cannot make sense of; the count the table
    // states is what tells a complete read from a damaged file.
    if (record != tables_[index].recordCount) {
        throw ImportFailure(Damaged(file_) + "table " + Quoted(table.name) + " states " +
                            std::to_string(tables_[index].recordCount) + " records, but " +
                            std::to_string(record) + " could be read");
    }
}

}  // namespace calvora::mdbimport
