#pragma once

#include "core/platform/trash.h"

namespace px {

// The desktop's trash through Qt (the recycle bin on Windows, the freedesktop.org trash
// elsewhere).
class SystemTrash final : public Trash {
public:
    bool moveToTrash(const QString& path) override;
};

} // namespace px
