#include "platform/system_trash.h"

#include <QFile>

namespace px {

bool SystemTrash::moveToTrash(const QString& path)
{
    return QFile::moveToTrash(path);
}

} // namespace px
