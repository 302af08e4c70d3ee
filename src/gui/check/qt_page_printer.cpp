#include "gui/check/qt_page_printer.h"

#include <QPrintDialog>
#include <QPrinter>

namespace px {

bool QtPagePrinter::print(QWidget* parent, const std::function<void(QPagedPaintDevice&)>& paint)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    paint(printer);
    return true;
}

} // namespace px
