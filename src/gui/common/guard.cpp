#include "gui/common/guard.h"

#include "core/base/error.h"

#include <exception>
#include <new>

namespace px {

bool guarded(Prompter& prompter, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const Error& e) {
        prompter.error(e.text());
    } catch (const std::bad_alloc&) {
        prompter.error(QStringLiteral("Out of memory: the action was abandoned."));
    } catch (const std::exception& e) {
        prompter.error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace px
