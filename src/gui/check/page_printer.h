#pragma once

#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace px {

// Printing on paper: the system's print dialog, then the pages painted onto the printer
// chosen. Behind an interface, so that the configurator loads the printing code only when
// the register map first opens.
class PagePrinter {
public:
    virtual ~PagePrinter() = default;
    // Asks for a printer over `parent`; when the person chooses one, `paint` lays the
    // pages out on it and paints them. False when the person cancels.
    virtual bool print(QWidget* parent, const std::function<void(QPagedPaintDevice&)>& paint) = 0;
};

} // namespace px
