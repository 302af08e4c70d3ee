// Both register mapping files as the mapping editor loads them (the frame file, then the
// mapping file, cut at a NUL byte; the first byte chooses receive or transmit and the
// device generation): whatever loads is written and loads back with every entry kept.

#include "fuzz_support.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/frames/mapping_model.h"
#include "core/shell/workspace.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static QTemporaryDir folder;
    const bool transmit = (data[0] & 1) != 0;
    const bool dip = (data[0] & 2) != 0;
    const px::MappingProfile& side = transmit ? px::MappingProfile::transmitSide() : px::MappingProfile::receiveSide();
    const std::vector<QByteArray> files = px::fuzz::filesOf(px::fuzz::bytesOf(data + 1, size - 1), 2);

    px::Workspace ws;
    ws.configurationFolder = folder.path();
    ws.updateFilePaths();
    for (const QString& path : {ws.generalParametersFile, ws.receiveFramesFile, ws.transmitFramesFile, ws.receiveMappingsFile, ws.transmitMappingsFile})
        QFile::remove(path);
    px::writeFileAtomically(ws.generalParametersFile, dip ? QByteArray("<G><Device_Type>1</Device_Type></G>")
                                                : QByteArray("<G><Device_Type>0</Device_Type></G>"));
    px::writeFileAtomically(side.framePath(ws), files[0]);
    if (files.size() > 1)
        px::writeFileAtomically(side.mappingPath(ws), files[1]);

    px::RegisterMapping loaded(side);
    try {
        loaded.load(ws);
    } catch (const px::Error&) {
        return 0;
    }
    try {
        loaded.save(ws);
    } catch (const px::Error&) {
        return 0;   // an index holding a character the file cannot store
    }
    px::RegisterMapping back(side);
    back.load(ws);
    FUZZ_PROPERTY(loaded.entries() == back.entries());
    return 0;
}
