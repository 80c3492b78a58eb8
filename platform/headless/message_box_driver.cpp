#include "platform/message_box_driver.h"

namespace varnok::platform {

// Boxes close as soon as they are shown here: there is never one to answer.
bool AnswerMessageBox(const char*, int, std::string&) { return false; }

}  // namespace varnok::platform
