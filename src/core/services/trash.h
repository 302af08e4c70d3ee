#pragma once

#include <QString>

namespace px {

// The system's trash, where a deleted configuration can still be taken back from.
class Trash {
public:
    virtual ~Trash() = default;
    // Whether the system has a trash at all (where it has none, a deletion is for good).
    virtual bool exists() const { return true; }
    // Moves the file or folder at `path` into the trash; false where there is no trash or
    // the move is refused (the folder is then where it was).
    virtual bool moveToTrash(const QString& path) = 0;
};

} // namespace px
