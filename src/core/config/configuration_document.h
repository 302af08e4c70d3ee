#pragma once

#include "core/base/error.h"
#include "core/config/configuration.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QLockFile;

namespace px::config {

// The identity of a frame while the configuration is open: stable when rows are inserted,
// deleted or moved around it, never written to a file. 0 names no frame.
using FrameKey = std::uint64_t;

// A file as it was read: whether it existed, its size, its modification time and a hash
// of its content. Another program that changes the file changes its identity.
struct FileIdentity {
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    QByteArray hash;

    // Same content: existence, size and hash (the time alone is no change).
    bool sameContent(const FileIdentity& other) const
    {
        return exists == other.exists && size == other.size && hash == other.hash;
    }
};
FileIdentity identityOf(const std::optional<QByteArray>& bytes, const QString& path);

// The open configuration in memory: the typed configuration, an identity for every frame,
// which frame each mapping entry belongs to, and each file as it was read. Editors read
// it, change it through the edits below and save the files an edit touched together; the
// files stay the storage. Inside the document a mapping entry refers to its frame by the
// frame's key, so inserting, deleting or moving frames keeps every entry on its frame;
// the frame numbers of the mapping files are written afresh from the frames' positions.
// An entry whose frame number named no frame when read (an orphan) keeps its number
// until it is attached to a frame or deleted.
class ConfigurationDocument {
public:
    // The signal file's new bytes, or its removal when no signal data is left.
    struct SignalFileUpdate {
        QByteArray bytes;
        bool remove = false;
    };

    // Reads the five files of `folder`. A file that cannot be read whole keeps the rows
    // read before the fault, and its fault text (readFault); the other files are read
    // all the same. Throws px::Error only when the folder is no folder.
    void open(const QString& folder);
    // Forgets the configuration.
    void close();
    bool isOpen() const { return !m_folder.isEmpty(); }
    const QString& folder() const { return m_folder; }
    QString path(ConfigFile file) const;

    const Configuration& configuration() const { return m_config; }
    // The file's bytes as last read or written; nothing when it was missing.
    const std::optional<QByteArray>& bytes(ConfigFile file) const { return m_bytes[index(file)]; }
    // Why the file could not be read whole; nothing when it could.
    const std::optional<Error>& readFault(ConfigFile file) const { return m_faults[index(file)]; }
    const FileIdentity& identity(ConfigFile file) const { return m_identities[index(file)]; }

    // The frames' keys in list order, and the frame key of each mapping entry in the
    // order of the configuration's mapping (0 for an orphan).
    const std::vector<FrameKey>& frameKeys(Direction d) const { return m_frameKeys[side(d)]; }
    const std::vector<FrameKey>& entryFrames(Direction d) const { return m_entryFrames[side(d)]; }
    // The position of a frame (from 0), -1 when the document has no such frame.
    int frameIndex(Direction d, FrameKey key) const;
    // The register index texts of the entries of the frames that `keys` no longer
    // holds, in mapping order: what setFrames with these keys deletes.
    QStringList registersOfRemovedFrames(Direction d, const std::vector<FrameKey>& keys) const;
    // The register index texts of the entries of one frame.
    QStringList registersOf(Direction d, FrameKey key) const;
    // The entries whose frame number names no frame, with their rows in the mapping
    // (from 0).
    std::vector<int> orphanRows(Direction d) const;

    // A frame list edit: the rows in their new order with each row's key (0 or a key the
    // document does not know: a new frame). Entries of frames left out are deleted; the
    // others keep their frame and are numbered afresh, frame by frame. The frame file is
    // written by the rules of `writtenAs` (the editor's device generation and CAN
    // settings). Returns the files the edit touched.
    std::vector<ConfigFile> setReceiveFrames(std::vector<ReceiveFrame> rows, const std::vector<FrameKey>& keys,
                                             const GeneralParameters& writtenAs);
    std::vector<ConfigFile> setTransmitFrames(std::vector<TransmitFrame> rows, const std::vector<FrameKey>& keys,
                                              const GeneralParameters& writtenAs);
    // A mapping edit: entries whose frame number names a frame of the list belong to that
    // frame; the others stay orphans with their number. Returns the touched file.
    std::vector<ConfigFile> setMappings(Direction d, std::vector<MappingEntry> entries);
    std::vector<ConfigFile> setGeneral(const GeneralParameters& general);

    // A file beside the five (the signal file) that the next save writes together with them.
    void writeAlongside(const QString& fileName, const QByteArray& bytes);

    // The files whose content on disk differs from what the document read or wrote last.
    std::vector<ConfigFile> changedOnDisk() const;
    // Writes the named files together (all or none) and takes their new identities.
    // A mapping file written without a register it held as last read or written takes the
    // register's signal data out of the signal file in the same write, unless the
    // direction still maps the register elsewhere (a signal file that cannot be read is
    // left as it is). Throws px::Error naming the file and the cause; the document is
    // unchanged then.
    void save(const std::vector<ConfigFile>& files);
    // Reads the files that changed on disk anew; frames of unchanged frame files keep
    // their keys.
    void refresh();

private:
    static int index(ConfigFile file) { return static_cast<int>(file); }
    static int side(Direction d) { return d == Direction::Receive ? 0 : 1; }
    void readFile(ConfigFile file);
    void attachEntries(Direction d);
    FrameKey newKey() { return ++m_lastKey; }
    // After a frame edit: keys of unknown frames made, entries of left-out frames removed,
    // numbers afresh. Returns whether the mapping changed.
    bool renumber(Direction d, const std::vector<FrameKey>& oldKeys);
    QByteArray composed(ConfigFile file) const;
    // The signal file as the save of `files` leaves it: the registers the mapping files
    // among them no longer hold taken out. Nothing when the save leaves it as it is.
    std::optional<SignalFileUpdate> signalsWithout(const std::vector<ConfigFile>& files) const;

    QString m_folder;
    Configuration m_config;
    std::optional<QByteArray> m_bytes[5];
    std::optional<Error> m_faults[5];
    FileIdentity m_identities[5];
    std::vector<FrameKey> m_frameKeys[2];
    std::vector<FrameKey> m_entryFrames[2];
    std::optional<GeneralParameters> m_writtenAs[2];
    std::vector<std::pair<QString, QByteArray>> m_alongside;
    // The register numbers of each direction's mapping file as last read or written.
    std::set<std::int32_t> m_mappedRegisters[2];
    FrameKey m_lastKey = 0;
};

// One running configurator's claim on a configuration folder: a lock file in the folder
// (QLockFile). A lock whose owner died is stale and taken over.
class ConfigurationLock {
public:
    ConfigurationLock();
    ~ConfigurationLock();
    ConfigurationLock(const ConfigurationLock&) = delete;
    ConfigurationLock& operator=(const ConfigurationLock&) = delete;

    // Takes the lock of `folder`, giving up one held before. False when another running
    // instance holds it; holderText() then says which.
    bool acquire(const QString& folder);
    void release();
    bool held() const { return m_lock != nullptr; }
    // "process 1234 on host" of the instance that holds the lock refused last.
    const QString& holderText() const { return m_holder; }

    static QString lockFileName();

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_holder;
};

} // namespace px::config
