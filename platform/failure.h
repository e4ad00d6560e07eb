// A failure raised anywhere in the program: the runtime, the file system, the
// database engine, or the program itself. It carries what the error dialog
// shows and logs: a number, the raising component (source) and a description.
//
// Numbers follow the classic runtime and Jet numbering that users of the
// Windows program know (5 invalid argument, 6 overflow, 9 subscript, 13 type
// mismatch, 53/76/75/70 file errors, 91 object not set, 94 invalid use of
// Null, 3xxx database engine); descriptions are our own wording and name the
// file, table, field or key involved.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace calvora {

namespace err {
inline constexpr int32_t kInvalidArgument = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscript = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kInternal = 51;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kProgramError = 9999;  // raised by the program itself
}  // namespace err

// Source text of failures raised by the runtime and platform layer.
inline constexpr const char* kRuntimeSource = "Calvora_Config";

class Failure : public std::runtime_error {
  public:
    Failure(int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    int32_t Number() const { return number_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

  private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// Shorthand for failures of the runtime and platform layer.
[[noreturn]] void RaiseRuntime(int32_t number, const std::string& description);

}  // namespace calvora
