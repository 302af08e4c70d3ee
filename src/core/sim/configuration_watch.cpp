#include "core/sim/configuration_watch.h"

#include "core/config/configuration.h"

#include <QCryptographicHash>
#include <QFile>

namespace px::sim {

QByteArray configurationFingerprint(const QString& folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const config::ConfigFile f : {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames,
                                       config::ConfigFile::TransmitFrames, config::ConfigFile::ReceiveMappings,
                                       config::ConfigFile::TransmitMappings}) {
        QFile file(folder + u'/' + config::fileName(f));
        if (!file.open(QIODevice::ReadOnly)) {
            hash.addData(QByteArrayView("-"));
            continue;
        }
        const QByteArray bytes = file.readAll();
        hash.addData(QByteArray::number(bytes.size()) + ':');
        hash.addData(bytes);
    }
    return hash.result();
}

} // namespace px::sim
