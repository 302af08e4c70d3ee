#include "core/options/version_check.h"

#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/text_rules.h"
#include "core/services/http_getter.h"

namespace px {
namespace {

// Only spaces count here: the reply is compared as the version query answers it.
QString trimSpaces(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b);
}

} // namespace

int versionNumber(const QString& versionText)
{
    const qsizetype blank = versionText.indexOf(u' ');
    const QString part = trimSpaces(blank >= 0 ? versionText.mid(blank + 1) : versionText);
    if (part.size() < 5)
        return -1;
    const QString digits = QString(part[0]) + part[2] + part[3] + part[4];
    return toInt32(digits, -1);
}

bool isNewerVersion(const QString& reply)
{
    const QString upper = trimSpaces(toUpperAscii(reply));
    if (upper.isEmpty() || upper == QStringLiteral("VER. 0.000"))
        return false;
    const int own = versionNumber(product::kVersion);
    const int remote = versionNumber(trimSpaces(reply));
    if (own == -1 || remote == -1)
        return false;
    return remote > own;
}

QString versionQueryUrl()
{
    return product::kWebAddress + QStringLiteral("/home/download/GetversionSW.asp?nomesw=") + product::kSoftwareCode;
}

QString downloadPageUrl()
{
    return product::kWebAddress + QStringLiteral("/Home/download/download.asp#PD40318");
}

QString updateLinkText(const QString& message)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(downloadPageUrl(), message);
}

bool newerVersionAvailable(HttpGetter& http)
{
    const auto body = http.get(versionQueryUrl());
    // The reply is plain text; bytes outside ASCII cannot form a version anyway.
    return isNewerVersion(body ? QString::fromLatin1(*body) : QString());
}

} // namespace px
