#include "core/update/update_history.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/configuration.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

namespace px {

namespace {

constexpr qint64 kMaxRecordBytes = 1024 * 1024;

const QStringList& imageNames()
{
    static const QStringList names{QStringLiteral("bank.bin"), QStringLiteral("bank2.bin"),
                                   QStringLiteral("bank_ESP32_1.bin"), QStringLiteral("bank_ESP32_2.bin")};
    return names;
}

QJsonObject recordObject(const UpdateRecord& r)
{
    QJsonObject operations{{QStringLiteral("writeFirmware"), r.writeFirmware},
                           {QStringLiteral("readFirmwareBack"), r.readFirmwareBack},
                           {QStringLiteral("writeConfiguration"), r.writeConfiguration},
                           {QStringLiteral("readConfigurationBack"), r.readConfigurationBack}};
    return {{QStringLiteral("date"), r.date.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("route"), r.route},
            {QStringLiteral("device"), r.device},
            {QStringLiteral("operations"), operations},
            {QStringLiteral("updater"), r.updater},
            {QStringLiteral("result"), r.result},
            {QStringLiteral("exitStatus"), r.exitStatus},
            {QStringLiteral("output"), r.output}};
}

UpdateRecord recordOf(const QJsonObject& o)
{
    UpdateRecord r;
    r.date = QDateTime::fromString(o.value(QStringLiteral("date")).toString(), Qt::ISODate);
    r.route = o.value(QStringLiteral("route")).toString();
    r.device = o.value(QStringLiteral("device")).toString();
    const QJsonObject operations = o.value(QStringLiteral("operations")).toObject();
    r.writeFirmware = operations.value(QStringLiteral("writeFirmware")).toBool();
    r.readFirmwareBack = operations.value(QStringLiteral("readFirmwareBack")).toBool();
    r.writeConfiguration = operations.value(QStringLiteral("writeConfiguration")).toBool();
    r.readConfigurationBack = operations.value(QStringLiteral("readConfigurationBack")).toBool();
    r.updater = o.value(QStringLiteral("updater")).toString();
    r.result = o.value(QStringLiteral("result")).toString();
    r.exitStatus = o.value(QStringLiteral("exitStatus")).toInt();
    r.output = o.value(QStringLiteral("output")).toString();
    return r;
}

// A new folder made with the mode every folder of the program gets (the umask's).
void makeFolder(const QString& path)
{
    if (!QDir().mkdir(path))
        throw Error(msg::kCannotCreateFolder, {displayPath(path)});
}

} // namespace

QString updateResultText(const ProgramRunner::Result& result)
{
    using Outcome = ProgramRunner::Outcome;
    switch (result.outcome) {
    case Outcome::Ended:
        return result.crashed ? QStringLiteral("crashed")
                              : result.exitStatus == 0 ? QStringLiteral("ended") : QStringLiteral("failed");
    case Outcome::Cancelled:
        return QStringLiteral("cancelled");
    case Outcome::LimitReached:
        return QStringLiteral("wait ran out");
    case Outcome::NotStarted:
        break;
    }
    return QStringLiteral("not started");
}

UpdateRecord makeUpdateRecord(const QString& route, const QString& device, bool writeFirmware, bool readFirmwareBack,
                              bool writeConfiguration, bool readConfigurationBack, const QString& program,
                              const ProgramRunner::Result& result)
{
    UpdateRecord r;
    r.date = QDateTime::currentDateTimeUtc();
    r.route = route;
    r.device = device;
    r.writeFirmware = writeFirmware;
    r.readFirmwareBack = readFirmwareBack;
    r.writeConfiguration = writeConfiguration;
    r.readConfigurationBack = readConfigurationBack;
    r.updater = QFileInfo(program).fileName();
    r.result = updateResultText(result);
    r.exitStatus = result.exitStatus;
    r.output = result.output;
    return r;
}

QString operationsText(const UpdateRecord& r)
{
    QStringList words;
    if (r.writeFirmware)
        words << QStringLiteral("write firmware");
    if (r.readFirmwareBack)
        words << QStringLiteral("read firmware back");
    if (r.writeConfiguration)
        words << QStringLiteral("write configuration");
    if (r.readConfigurationBack)
        words << QStringLiteral("read configuration back");
    return words.isEmpty() ? QStringLiteral("none") : words.join(QStringLiteral(", "));
}

QByteArray updateRecordJson(const UpdateRecord& record)
{
    return QJsonDocument(recordObject(record)).toJson(QJsonDocument::Indented);
}

QString recordUpdate(const QString& configurationFolder, const UpdateRecord& record)
{
    const QString history = configurationFolder + u'/' + kHistoryFolderName;
    if (!QFileInfo(history).isDir())
        makeFolder(history);
    const QString stamp = record.date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH-mm-ssZ"));
    QString name = stamp;
    for (int n = 2; QFileInfo::exists(history + u'/' + name); ++n)
        name = stamp + u'-' + QString::number(n);

    // Assembled under a hidden name, renamed when whole: an entry is never half there.
    const QString staging = history + QStringLiteral("/.") + name;
    QDir(staging).removeRecursively();
    makeFolder(staging);
    try {
        makeFolder(staging + QStringLiteral("/bin"));
        for (const config::ConfigFile file :
             {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames, config::ConfigFile::TransmitFrames,
              config::ConfigFile::ReceiveMappings, config::ConfigFile::TransmitMappings}) {
            const QString from = configurationFolder + u'/' + config::fileName(file);
            if (configurationFileExists(from))
                writeFileAtomically(staging + u'/' + config::fileName(file), readConfigurationFile(from));
        }
        for (const QString& image : imageNames()) {
            const QString from = configurationFolder + QStringLiteral("/bin/") + image;
            if (configurationFileExists(from))
                writeFileAtomically(staging + QStringLiteral("/bin/") + image, readConfigurationFile(from));
        }
        writeFileAtomically(staging + u'/' + kUpdateRecordName, updateRecordJson(record));
        const QString entry = history + u'/' + name;
        if (!QDir().rename(staging, entry))
            throw Error(msg::kCannotCreateFolder, {displayPath(entry)});
        return entry;
    } catch (...) {
        QDir(staging).removeRecursively();
        throw;
    }
}

QString historyEntryText(const MessageTable& messages, const HistoryEntry& entry)
{
    const UpdateRecord& r = entry.record;
    QString result;
    if (r.result == QStringLiteral("ended"))
        result = messages[msg::kHistoryEnded];
    else if (r.result == QStringLiteral("failed"))
        result = messages[msg::kHistoryFailed].arg(r.exitStatus);
    else if (r.result == QStringLiteral("crashed"))
        result = messages[msg::kHistoryCrashed];
    else if (r.result == QStringLiteral("cancelled"))
        result = messages[msg::kHistoryCancelled];
    else if (r.result == QStringLiteral("wait ran out"))
        result = messages[msg::kHistoryWaitRanOut];
    else
        result = messages[msg::kHistoryNoRecord];
    const QString when = r.date.isValid() ? r.date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")) : entry.name;
    const QString route = r.route == QStringLiteral("serial") ? messages[msg::kHistorySerial]
        : r.route == QStringLiteral("ethernet")               ? messages[msg::kHistoryEthernet]
                                                               : r.route;
    return QStringLiteral("%1  %2 %3  %4").arg(when, route, r.device, result);
}

UpdateRecord readUpdateRecord(const QString& entryFolder)
{
    const QString path = entryFolder + u'/' + kUpdateRecordName;
    const QByteArray bytes = readConfigurationFile(path, kMaxRecordBytes);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw Error(msg::kNoUpdateRecord, {displayPath(path)});
    return recordOf(doc.object());
}

std::vector<HistoryEntry> readUpdateHistory(const QString& configurationFolder)
{
    std::vector<HistoryEntry> entries;
    const QDir history(configurationFolder + u'/' + kHistoryFolderName);
    // The names begin with the date, so their order is the order of the updates.
    for (const QString& name : history.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        HistoryEntry entry{name, history.filePath(name), {}};
        try {
            entry.record = readUpdateRecord(entry.folder);
        } catch (const Error&) {
            entry.record.result = QStringLiteral("no record");
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace px
