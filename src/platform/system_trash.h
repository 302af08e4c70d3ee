#pragma once

#include "core/services/trash.h"

namespace px {

// The desktop's trash: the recycle bin through Qt on Windows and macOS; elsewhere the home
// trash that the freedesktop.org trash rules describe, found by them ($XDG_DATA_HOME/Trash,
// $XDG_DATA_HOME being ~/.local/share when unset). Where that data folder does not exist
// there is no trash, and nothing is created in its stead. An item on another file system
// than the trash is not moved (a copy across would not be a move).
class SystemTrash final : public Trash {
public:
    bool exists() const override;
    bool moveToTrash(const QString& path) override;
};

} // namespace px
