#include "core/update/serial_update.h"

#include "core/shell/workspace.h"

#include <QDir>

#include <algorithm>

namespace px {

namespace {

// A path between double quotes, as the updater's argument splitting reads it back.
QString quoted(const QString& path)
{
    QString inner = QDir::toNativeSeparators(path);
#ifndef Q_OS_WIN
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\"\""));
#endif
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString token(bool set, const char* name)
{
    return QString::fromLatin1(set ? name : "NO") + QLatin1Char(' ');
}

// The digits of a run without leading zeros ("007" -> "7", "000" -> "0").
QStringView significant(QStringView digits)
{
    qsizetype i = 0;
    while (i + 1 < digits.size() && digits[i] == QLatin1Char('0'))
        ++i;
    return digits.mid(i);
}

} // namespace

QString serialUpdateParameters(const SerialUpdateJob& job)
{
    QString text = job.devicePath + QLatin1Char(' ');
    text += token(job.firmware, "FW");
    text += token(job.readFirmware, "FR");
    text += token(job.configuration, "PW");
    text += token(job.readConfiguration, "PR");
    text += quoted(serialFirmwareImage(job.masterFolder)) + QLatin1Char(' ');
    text += quoted(job.configurationFolder + QStringLiteral("/bin/"));
    return text;
}

QString serialFirmwareImage(const QString& masterFolder)
{
    return masterFolder + QStringLiteral("/sim40318.sim");
}

QString serialUpdaterProgram(const Workspace& ws)
{
    return ws.homeFolder + QStringLiteral("/Ser_40318_Update.exe");
}

int comparePortNames(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = a[i].isDigit();
        const bool db = b[j].isDigit();
        if (da && db) {
            qsizetype ei = i;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            qsizetype ej = j;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Numbers of any length compare without overflow: fewer significant digits
            // is smaller, equal lengths compare digit by digit.
            const QStringView na = significant(QStringView(a).mid(i, ei - i));
            const QStringView nb = significant(QStringView(b).mid(j, ej - j));
            if (na.size() != nb.size())
                return na.size() < nb.size() ? -1 : 1;
            if (const int c = na.compare(nb); c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (da != db)
            return da ? -1 : 1; // a number sorts before text at the same place
        const int c = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive);
        if (c != 0)
            return c < 0 ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal as read ("COM01" and "COM1", "com1" and "COM1"): a fixed order all the same.
    const int c = QString::compare(a, b, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void sortPorts(QList<SerialPort>& ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const SerialPort& x, const SerialPort& y) {
        return comparePortNames(x.name, y.name) < 0;
    });
}

void keepComPorts(QList<SerialPort>& ports)
{
    ports.removeIf([](const SerialPort& p) {
        const QStringView name(p.name);
        if (!name.startsWith(QLatin1StringView("COM")))
            return true;
        const QStringView digits = name.mid(3);
        if (digits.isEmpty() || digits.size() > 3 || digits.front() == QLatin1Char('0'))
            return true;
        int number = 0;
        for (const QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return true;
            number = number * 10 + (c.unicode() - u'0');
        }
        return number > 256;
    });
}

} // namespace px
