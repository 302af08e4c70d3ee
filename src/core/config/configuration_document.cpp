#include "core/config/configuration_document.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/signal_table.h"
#include "core/lang/message_ids.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <climits>
#include <set>

namespace px::config {

namespace {

const ConfigFile kAllFiles[] = {ConfigFile::GeneralParameters, ConfigFile::ReceiveFrames, ConfigFile::TransmitFrames,
                                ConfigFile::ReceiveMappings, ConfigFile::TransmitMappings};

// The file's bytes as they are now; nothing when nothing stands there. Throws px::Error
// when something stands there that cannot be read as a configuration file.
std::optional<QByteArray> currentBytes(const QString& path)
{
    if (!configurationFileExists(path))
        return std::nullopt;
    return readConfigurationFile(path);
}

// The register numbers of a mapping's entries (an index that is no number names none).
std::set<std::int32_t> registerNumbers(const std::vector<MappingEntry>& entries)
{
    std::set<std::int32_t> numbers;
    for (const MappingEntry& e : entries) {
        if (const std::optional<std::int32_t> n = e.registerNumber())
            numbers.insert(*n);
    }
    return numbers;
}

} // namespace

FileIdentity identityOf(const std::optional<QByteArray>& bytes, const QString& path)
{
    FileIdentity id;
    id.exists = bytes.has_value();
    if (!bytes)
        return id;
    id.size = bytes->size();
    id.modified = QFileInfo(path).lastModified();
    id.hash = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256);
    return id;
}

QString ConfigurationDocument::path(ConfigFile file) const
{
    return m_folder + u'/' + fileName(file);
}

void ConfigurationDocument::open(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        throw Error(msg::kNotConfigurationFolder, {displayPath(folder)});
    *this = ConfigurationDocument();
    m_folder = folder;
    m_config.name = info.fileName();
    for (const ConfigFile file : kAllFiles)
        readFile(file);
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        m_frameKeys[side(d)].clear();
        for (int i = 0; i < m_config.frameCount(d); ++i)
            m_frameKeys[side(d)].push_back(newKey());
        attachEntries(d);
    }
}

void ConfigurationDocument::close()
{
    *this = ConfigurationDocument();
}

void ConfigurationDocument::readFile(ConfigFile file)
{
    const int i = index(file);
    const QString filePath = path(file);
    const QString label = displayPath(filePath);
    m_faults[i].reset();
    try {
        m_bytes[i] = currentBytes(filePath);
    } catch (const Error& e) {
        m_bytes[i].reset();
        m_faults[i] = e;
    }
    m_identities[i] = identityOf(m_bytes[i], filePath);
    m_config.present[i] = m_bytes[i].has_value();
    const QByteArray empty;
    const QByteArray& bytes = m_bytes[i] ? *m_bytes[i] : empty;
    const bool present = m_bytes[i].has_value();
    try {
        switch (file) {
        case ConfigFile::GeneralParameters:
            m_config.general = present ? readGeneralParameters(bytes, label) : GeneralParameters();
            break;
        case ConfigFile::ReceiveFrames:
            m_config.receiveFrames.clear();
            if (present)
                readReceiveFrames(bytes, label, m_config.receiveFrames);
            break;
        case ConfigFile::TransmitFrames:
            m_config.transmitFrames.clear();
            if (present)
                readTransmitFrames(bytes, label, m_config.transmitFrames);
            break;
        case ConfigFile::ReceiveMappings:
            m_config.receiveMappings.clear();
            if (present)
                appendMappings(m_config.receiveMappings, bytes, label, Direction::Receive);
            break;
        case ConfigFile::TransmitMappings:
            m_config.transmitMappings.clear();
            if (present)
                appendMappings(m_config.transmitMappings, bytes, label, Direction::Transmit);
            break;
        }
    } catch (const Error& e) {
        m_faults[i] = e;
    }
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        if (file == mappingsFile(d))
            m_mappedRegisters[side(d)] = registerNumbers(m_config.mappings(d));
    }
}

void ConfigurationDocument::attachEntries(Direction d)
{
    const std::vector<FrameKey>& keys = m_frameKeys[side(d)];
    std::vector<FrameKey>& owners = m_entryFrames[side(d)];
    owners.clear();
    for (const MappingEntry& e : m_config.mappings(d)) {
        const bool named = e.frameNumber >= 1 && e.frameNumber <= static_cast<std::int32_t>(keys.size());
        owners.push_back(named ? keys[static_cast<std::size_t>(e.frameNumber - 1)] : 0);
    }
}

int ConfigurationDocument::frameIndex(Direction d, FrameKey key) const
{
    if (key == 0)
        return -1;
    const std::vector<FrameKey>& keys = m_frameKeys[side(d)];
    const auto it = std::find(keys.begin(), keys.end(), key);
    return it == keys.end() ? -1 : static_cast<int>(it - keys.begin());
}

QStringList ConfigurationDocument::registersOfRemovedFrames(Direction d, const std::vector<FrameKey>& keys) const
{
    const std::set<FrameKey> kept(keys.begin(), keys.end());
    QStringList registers;
    const std::vector<MappingEntry>& entries = m_config.mappings(d);
    const std::vector<FrameKey>& owners = m_entryFrames[side(d)];
    for (std::size_t j = 0; j < entries.size(); ++j) {
        if (owners[j] != 0 && !kept.contains(owners[j]))
            registers << entries[j].registerIndex;
    }
    return registers;
}

QStringList ConfigurationDocument::registersOf(Direction d, FrameKey key) const
{
    QStringList registers;
    const std::vector<MappingEntry>& entries = m_config.mappings(d);
    const std::vector<FrameKey>& owners = m_entryFrames[side(d)];
    for (std::size_t j = 0; j < entries.size(); ++j) {
        if (key != 0 && owners[j] == key)
            registers << entries[j].registerIndex;
    }
    return registers;
}

std::vector<int> ConfigurationDocument::orphanRows(Direction d) const
{
    std::vector<int> rows;
    const std::vector<FrameKey>& owners = m_entryFrames[side(d)];
    for (std::size_t j = 0; j < owners.size(); ++j) {
        if (owners[j] == 0)
            rows.push_back(static_cast<int>(j));
    }
    return rows;
}

bool ConfigurationDocument::renumber(Direction d, const std::vector<FrameKey>& requested)
{
    // Each row keeps a key the document knows; a new row, or a key met twice, gets a new one.
    const std::set<FrameKey> known(m_frameKeys[side(d)].begin(), m_frameKeys[side(d)].end());
    std::set<FrameKey> taken;
    std::vector<FrameKey> keys;
    keys.reserve(requested.size());
    for (const FrameKey key : requested) {
        const FrameKey k = key != 0 && known.contains(key) && !taken.contains(key) ? key : newKey();
        taken.insert(k);
        keys.push_back(k);
    }
    m_frameKeys[side(d)] = keys;

    std::vector<MappingEntry>& entries = m_config.mappings(d);
    std::vector<FrameKey>& owners = m_entryFrames[side(d)];
    const std::vector<MappingEntry> before = entries;
    // Entries of frames no longer in the list go with them; the others are numbered by
    // their frame's new place and stand frame by frame, orphans last.
    struct Placed {
        int order;
        MappingEntry entry;
        FrameKey owner;
    };
    std::vector<Placed> placed;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        MappingEntry e = entries[j];
        if (owners[j] == 0) {
            placed.push_back({INT_MAX, std::move(e), 0});
            continue;
        }
        const int at = frameIndex(d, owners[j]);
        if (at < 0)
            continue;
        e.frameNumber = at + 1;
        placed.push_back({at, std::move(e), owners[j]});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.order < b.order; });
    entries.clear();
    owners.clear();
    for (Placed& p : placed) {
        entries.push_back(std::move(p.entry));
        owners.push_back(p.owner);
    }
    return entries != before;
}

std::vector<ConfigFile> ConfigurationDocument::setReceiveFrames(std::vector<ReceiveFrame> rows,
                                                                const std::vector<FrameKey>& keys,
                                                                const GeneralParameters& writtenAs)
{
    m_config.receiveFrames = std::move(rows);
    m_writtenAs[side(Direction::Receive)] = writtenAs;
    std::vector<ConfigFile> touched{ConfigFile::ReceiveFrames};
    if (renumber(Direction::Receive, keys))
        touched.push_back(ConfigFile::ReceiveMappings);
    return touched;
}

std::vector<ConfigFile> ConfigurationDocument::setTransmitFrames(std::vector<TransmitFrame> rows,
                                                                 const std::vector<FrameKey>& keys,
                                                                 const GeneralParameters& writtenAs)
{
    m_config.transmitFrames = std::move(rows);
    m_writtenAs[side(Direction::Transmit)] = writtenAs;
    std::vector<ConfigFile> touched{ConfigFile::TransmitFrames};
    if (renumber(Direction::Transmit, keys))
        touched.push_back(ConfigFile::TransmitMappings);
    return touched;
}

std::vector<ConfigFile> ConfigurationDocument::setMappings(Direction d, std::vector<MappingEntry> entries)
{
    m_config.mappings(d) = std::move(entries);
    attachEntries(d);
    return {mappingsFile(d)};
}

std::vector<ConfigFile> ConfigurationDocument::setGeneral(const GeneralParameters& general)
{
    m_config.general = general;
    return {ConfigFile::GeneralParameters};
}

QByteArray ConfigurationDocument::composed(ConfigFile file) const
{
    switch (file) {
    case ConfigFile::ReceiveFrames:
        if (const auto& as = m_writtenAs[side(Direction::Receive)])
            return receiveFramesBytes(m_config.receiveFrames, *as);
        break;
    case ConfigFile::TransmitFrames:
        if (const auto& as = m_writtenAs[side(Direction::Transmit)])
            return transmitFramesBytes(m_config.transmitFrames, *as);
        break;
    default:
        break;
    }
    return fileBytes(m_config, file);
}

std::vector<ConfigFile> ConfigurationDocument::changedOnDisk() const
{
    std::vector<ConfigFile> changed;
    for (const ConfigFile file : kAllFiles) {
        const QString filePath = path(file);
        FileIdentity now;
        try {
            now = identityOf(currentBytes(filePath), filePath);
        } catch (const Error&) {
            // Something that cannot be read stands where the file was: not what was read.
            now.exists = true;
            now.size = -1;
        }
        if (!now.sameContent(m_identities[index(file)]))
            changed.push_back(file);
    }
    return changed;
}

void ConfigurationDocument::save(const std::vector<ConfigFile>& files)
{
    // Every file is composed before any is written: a value that cannot be stored stops
    // the whole save.
    std::vector<ConfigFile> unique;
    std::vector<std::pair<QString, QByteArray>> contents;
    for (const ConfigFile file : files) {
        if (std::find(unique.begin(), unique.end(), file) != unique.end())
            continue;
        unique.push_back(file);
        contents.emplace_back(path(file), composed(file));
    }
    const std::optional<SignalFileUpdate> signals = signalsWithout(unique);
    const QString signalPath = m_folder + u'/' + kSignalFileName;
    for (const auto& [name, bytes] : m_alongside) {
        if (!(signals && name == kSignalFileName))
            contents.emplace_back(m_folder + u'/' + name, bytes);
    }
    if (signals && !signals->remove)
        contents.emplace_back(signalPath, signals->bytes);
    writeFilesTogether(contents);
    m_alongside.clear();
    // A signal file left without any data goes, as the signal table's own save does it.
    if (signals && signals->remove)
        QFile::remove(signalPath);
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        if (std::find(unique.begin(), unique.end(), mappingsFile(d)) != unique.end())
            m_mappedRegisters[side(d)] = registerNumbers(m_config.mappings(d));
    }
    for (std::size_t k = 0; k < unique.size(); ++k) {
        const int i = index(unique[k]);
        m_bytes[i] = std::move(contents[k].second);
        m_identities[i] = identityOf(m_bytes[i], contents[k].first);
        m_faults[i].reset();
        m_config.present[i] = true;
    }
}

std::optional<ConfigurationDocument::SignalFileUpdate>
ConfigurationDocument::signalsWithout(const std::vector<ConfigFile>& files) const
{
    std::vector<std::pair<Direction, std::int32_t>> dropped;
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        if (std::find(files.begin(), files.end(), mappingsFile(d)) == files.end())
            continue;
        const std::set<std::int32_t> now = registerNumbers(m_config.mappings(d));
        for (const std::int32_t number : m_mappedRegisters[side(d)]) {
            if (!now.contains(number))
                dropped.emplace_back(d, number);
        }
    }
    if (dropped.empty())
        return std::nullopt;
    // The signal data this save writes anyway, else the file as it stands.
    SignalTable table;
    try {
        const auto queued = std::find_if(m_alongside.rbegin(), m_alongside.rend(),
                                         [](const auto& file) { return file.first == kSignalFileName; });
        table = queued != m_alongside.rend() ? readSignalTable(queued->second, kSignalFileName) : loadSignalTable(m_folder);
    } catch (const Error&) {
        return std::nullopt;
    }
    bool changed = false;
    for (const auto& [d, number] : dropped) {
        if (table.find(d, number)) {
            table.remove(d, number);
            changed = true;
        }
    }
    if (!changed)
        return std::nullopt;
    if (table.empty())
        return SignalFileUpdate{{}, true};
    return SignalFileUpdate{signalTableBytes(table), false};
}

void ConfigurationDocument::writeAlongside(const QString& fileName, const QByteArray& bytes)
{
    m_alongside.emplace_back(fileName, bytes);
}

void ConfigurationDocument::refresh()
{
    if (!isOpen())
        return;
    const std::vector<ConfigFile> changed = changedOnDisk();
    for (const ConfigFile file : changed)
        readFile(file);
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const bool framesChanged = std::find(changed.begin(), changed.end(), framesFile(d)) != changed.end();
        const bool mappingChanged = std::find(changed.begin(), changed.end(), mappingsFile(d)) != changed.end();
        if (framesChanged) {
            m_writtenAs[side(d)].reset();
            m_frameKeys[side(d)].clear();
            for (int i = 0; i < m_config.frameCount(d); ++i)
                m_frameKeys[side(d)].push_back(newKey());
        }
        if (framesChanged || mappingChanged)
            attachEntries(d);
    }
}

ConfigurationLock::ConfigurationLock() = default;

ConfigurationLock::~ConfigurationLock() = default;

QString ConfigurationLock::lockFileName()
{
    return QStringLiteral("px40318.lock");
}

bool ConfigurationLock::acquire(const QString& folder)
{
    release();
    m_holder.clear();
    auto lock = std::make_unique<QLockFile>(folder + u'/' + lockFileName());
    // Only a dead owner makes a lock stale, never its age: a configuration stays open
    // for hours.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return true;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock->getLockInfo(&pid, &host, &application))
        m_holder = QStringLiteral("process %1 on %2").arg(pid).arg(host);
    return false;
}

void ConfigurationLock::release()
{
    m_lock.reset();
}

} // namespace px::config
