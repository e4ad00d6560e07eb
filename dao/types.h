// Field type codes, failure numbers and failure sources of the preset
// database engine.
//
// The engine is a small DAO-style object model over SQLite (see dao.h). Its
// failures carry the numbers that users of the Jet engine know; descriptions
// are our own and name the file, table or field involved.
#pragma once

#include <cstdint>

namespace calvora::dao {

// The field type codes of the DAO data type enumeration. Each has a fixed
// declared column type in the file (see schema.h).
enum class DataType : int {
    Boolean = 1,      // BIT
    Byte = 2,         // BYTE
    Integer = 3,      // SHORT (16 bit)
    Long = 4,         // LONG, and COUNTER (auto-numbered)
    Currency = 5,     // CURRENCY
    Single = 6,       // SINGLE
    Double = 7,       // DOUBLE
    Date = 8,         // DATETIME
    Text = 10,        // TEXT(n)
    LongBinary = 11,  // LONGBINARY
    Memo = 12,        // MEMO
    Guid = 15,        // GUID
};

namespace err {
inline constexpr int32_t kTableExists = 3010;
inline constexpr int32_t kUpdateWithoutEdit = 3020;  // Update/value write without Edit or AddNew
inline constexpr int32_t kNoCurrentRecord = 3021;
inline constexpr int32_t kDatabaseNotFound = 3024;
inline constexpr int32_t kInvalidName = 3125;  // empty table, field or index name
inline constexpr int32_t kDiskFull = 3026;
inline constexpr int32_t kDiskError = 3043;
inline constexpr int32_t kDatabaseDamaged = 3049;   // integrity check failed
inline constexpr int32_t kFileInUse = 3045;         // locked by another program at open
inline constexpr int32_t kCannotOpen = 3051;        // read-only or no permission
inline constexpr int32_t kTooFewParameters = 3061;  // SQL names a field that does not exist
inline constexpr int32_t kSyntaxError = 3075;       // SQL the dialect does not accept
inline constexpr int32_t kInputTableNotFound = 3078;
inline constexpr int32_t kInvalidStatement = 3129;  // not a SELECT
inline constexpr int32_t kFieldTooSmall = 3163;
inline constexpr int32_t kDuplicateField = 3191;
inline constexpr int32_t kCurrentlyLocked = 3218;  // write blocked by another program
inline constexpr int32_t kInvalidOperation = 3219;
inline constexpr int32_t kInvalidFieldType = 3259;
inline constexpr int32_t kNoFields = 3264;  // table definition without fields appended
inline constexpr int32_t kItemNotFound = 3265;
inline constexpr int32_t kPropertyNotFound = 3270;
inline constexpr int32_t kUnrecognizedFormat = 3343;
inline constexpr int32_t kObjectClosed = 3420;  // object used after its database closed
inline constexpr int32_t kConversion = 3421;
inline constexpr int32_t kEngineFailure = 3000;  // any other engine failure; text says which
}  // namespace err

// Failure sources, as the Jet engine's objects name themselves.
inline constexpr const char* kSourceEngine = "DAO.DBEngine";
inline constexpr const char* kSourceDatabase = "DAO.Database";
inline constexpr const char* kSourceTableDefs = "DAO.TableDefs";
inline constexpr const char* kSourceTableDef = "DAO.TableDef";
inline constexpr const char* kSourceFields = "DAO.Fields";
inline constexpr const char* kSourceField = "DAO.Field";
inline constexpr const char* kSourceRecordset = "DAO.Recordset";

}  // namespace calvora::dao
