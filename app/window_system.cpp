#include "app/window_system.h"

#include "platform/failure.h"

namespace calvora {

int AnswerUnattended(const std::function<void(const std::string&)>& sink, std::string_view text,
                     int style) {
    try {
        if (sink)
            sink(std::string(text));
    } catch (const Failure&) {
        // The answer below is all that is left to give.
    }
    return (style & box::kButtonsMask) == box::kYesNoButtons ? box::kYes : box::kOk;
}

}  // namespace calvora
