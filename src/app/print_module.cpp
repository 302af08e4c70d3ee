// The module px_print: printing on paper (app/modules.h).

#include "app/modules.h"
#include "gui/check/qt_page_printer.h"

extern "C" Q_DECL_EXPORT px::PagePrinter* px_page_printer()
{
    static px::QtPagePrinter printer;
    return &printer;
}
