#pragma once

#include "core/services/browser.h"

namespace px {

class DesktopBrowser final : public Browser {
public:
    void open(const QString& url) override;
};

} // namespace px
