#include "tools/mdb_schema.h"

namespace calvora::mdbimport {

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string DeclaredType(const ImportField& field) {
    return dao::DeclaredTypeFor(field.type, field.size, field.counter);
}

}  // namespace calvora::mdbimport
