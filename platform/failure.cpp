#include "platform/failure.h"

namespace calvora {

void RaiseRuntime(int32_t number, const std::string& description) {
    throw Failure(number, kRuntimeSource, description);
}

}  // namespace calvora
