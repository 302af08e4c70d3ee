#include "platform/desktop_browser.h"

#include <QDesktopServices>
#include <QUrl>

namespace px {

void DesktopBrowser::open(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

} // namespace px
