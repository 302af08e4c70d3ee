#include "gui/common/guard.h"

#include "core/base/error.h"
#include "core/lang/message_table.h"

#include <exception>
#include <new>

namespace px {

bool guarded(Prompter& prompter, const MessageTable& messages, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const Error& e) {
        prompter.error(e.text(messages));
    } catch (const std::bad_alloc&) {
        prompter.error(messages[msg::kOutOfMemory]);
    } catch (const std::exception& e) {
        prompter.error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace px
