#pragma once

#include <QString>

namespace px {

// Opens a web address in the user's browser.
class Browser {
public:
    virtual ~Browser() = default;
    virtual void open(const QString& url) = 0;
};

} // namespace px
