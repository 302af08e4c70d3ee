#include "core/image/compiler.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/image/image_layout.h"
#include "core/image/image_model.h"
#include "core/image/legacy_image.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <array>
#include <memory>
#include <optional>

namespace px::image {

using namespace layout;

ConfigurationImage compileConfiguration(CompileInput& input)
{
    ConfigurationImage out;
    out.bank = buildLegacyImage(input);
    buildCurrentImages(input, out);
    return out;
}

void buildCurrentImages(CompileInput& input, ConfigurationImage& out)
{
    const std::unique_ptr<const ImageModel> model = readImageModel(input);

    // bank2.bin: the tables with the record between them, at the main memory's addresses.
    out.bank2 = QByteArray(kBank2Size, '\0');
    putTables(*model, out.bank2, kBank2DefaultsOffset);
    putParameterRecord(model->record, kBank2Addresses, out.bank2, kBank2RecordOffset);

    // The ESP32 part: the record alone, and the tables without it, at the ESP32 addresses.
    out.esp32_1 = QByteArray(kEsp32RecordImageSize, '\0');
    putParameterRecord(model->record, kEsp32Addresses, out.esp32_1, 0);
    out.esp32_2 = QByteArray(kEsp32TablesImageSize, '\0');
    putTables(*model, out.esp32_2, kEsp32DefaultsOffset);
}

void writeConfigurationImage(const ConfigurationImage& image, const QString& binFolder,
                             const std::function<void(int)>& beforeReplacing)
{
    const std::array<const QByteArray*, 4> bytes{&image.bank, &image.bank2, &image.esp32_1, &image.esp32_2};
    std::array<std::unique_ptr<QSaveFile>, 4> files;
    std::array<std::optional<QByteArray>, 4> earlier;
    auto fail = [](const QString& path, const QString& cause) {
        throw Error(msg::kCannotWriteFile, {displayPath(path), cause});
    };
    // Every image goes to its temporary file first; an unwritten QSaveFile is discarded
    // when it is destroyed, leaving the old image in place.
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString path = binFolder + u'/' + QLatin1StringView(kImageFileNames[i]);
        if (QFileInfo(path).isFile())
            earlier[i] = readWholeFile(path);
        files[i] = std::make_unique<QSaveFile>(path);
        QSaveFile& f = *files[i];
        f.setDirectWriteFallback(false);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fail(path, openFailureCause(f, path));
        writeWhole(f, *bytes[i], path);
    }
    // Then the four replace the old images. Should a replacement fail, the images already
    // replaced get their earlier content back, so the folder never mixes two compiles.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (beforeReplacing)
            beforeReplacing(static_cast<int>(i));
        if (files[i]->commit())
            continue;
        const Message failed(msg::kCannotWriteFile, {displayPath(files[i]->fileName()), files[i]->errorString()});
        QStringList mixed;
        for (std::size_t k = 0; k < i; ++k) {
            const QString path = files[k]->fileName();
            try {
                if (earlier[k])
                    writeFileAtomically(path, *earlier[k]);
                else if (!QFile::remove(path))
                    mixed << displayPath(path);
            } catch (const Error&) {
                mixed << displayPath(path);
            }
        }
        if (mixed.isEmpty())
            throw Error(msg::kTwoLines, {failed, Message(msg::kEarlierImagesKept)});
        throw Error(msg::kTwoLines, {failed, Message(msg::kImagesNotPutBack, {mixed.join(QStringLiteral(", "))})});
    }
}

void writeConfigurationImageInto(const ConfigurationImage& image, const QString& folder)
{
    // The folders that do not exist yet, the deepest first.
    QStringList created;
    for (QFileInfo level(QFileInfo(folder).absoluteFilePath()); !level.exists() && !level.isSymLink();
         level = QFileInfo(level.absolutePath())) {
        created.prepend(level.absoluteFilePath());
        if (level.isRoot())
            break;
    }
    const auto removeCreated = [&created] {
        for (auto it = created.crbegin(); it != created.crend(); ++it)
            QDir().rmdir(*it);
    };
    for (const QString& level : std::as_const(created)) {
        errno = 0;
        if (!QDir().mkdir(level)) {
            const int cause = errno;
            const QFileInfo parent(QFileInfo(level).absolutePath());
            removeCreated();
            const Message::Argument why = parent.exists() && !parent.isDir()
                                              ? Message::Argument(Message(msg::kIsNoFolder, {displayPath(parent.filePath())}))
                                          : cause != 0 ? Message::Argument(QString::fromLocal8Bit(std::strerror(cause)))
                                                       : Message::Argument(Message(msg::kSystemRefused));
            throw Error(msg::kCannotCreateFolderBecause, {displayPath(folder), why});
        }
    }
    if (!QFileInfo(folder).isDir()) {
        throw Error(msg::kCannotWriteIntoNoFolder, {displayPath(folder)});
    }
    try {
        writeConfigurationImage(image, folder);
    } catch (const Error&) {
        removeCreated();
        throw;
    }
}

void compileAndWriteImages(const QString& configurationFolder)
{
    CompileInput input = CompileInput::fromFolder(configurationFolder);
    const ConfigurationImage image = compileConfiguration(input);
    writeConfigurationImage(image, configurationFolder + QStringLiteral("/bin"));
}

} // namespace px::image
