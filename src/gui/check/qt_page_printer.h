#pragma once

#include "gui/check/page_printer.h"

namespace px {

// Qt's printer in high resolution and its print dialog.
class QtPagePrinter final : public PagePrinter {
public:
    bool print(QWidget* parent, const std::function<void(QPagedPaintDevice&)>& paint) override;
};

} // namespace px
