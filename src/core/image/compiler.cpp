#include "core/image/compiler.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/image/image_layout.h"
#include "core/image/image_model.h"
#include "core/image/legacy_image.h"

#include <QSaveFile>

#include <array>
#include <memory>

namespace px::image {

using namespace layout;

ConfigurationImage CompileConfiguration(CompileInput& input)
{
    ConfigurationImage out;
    out.bank = BuildLegacyImage(input);
    BuildCurrentImages(input, out);
    return out;
}

void BuildCurrentImages(CompileInput& input, ConfigurationImage& out)
{
    auto model = std::make_unique<ImageModel>();

    // bank2.bin: the tables with the record between them, at the main memory's addresses.
    ResetImageModel(*model);
    ReadGeneralParameters(*model, input.parGen);
    ReadFrames(*model, input);
    ReadMappings(*model, input);
    out.bank2 = QByteArray(kBank2Size, '\0');
    int pos = PutFrameTables(*model, out.bank2, 0);
    pos = PutMappingTables(*model, out.bank2, pos);
    pos = PutParameterRecord(model->record, out.bank2, pos);
    PutDefaultValues(*model, out.bank2, pos);

    // The ESP32 part: the record alone, and the tables without it, at the ESP32 addresses.
    ResetImageModel(*model);
    ReadGeneralParameters(*model, input.parGen);
    model->record.addresses = kEsp32Addresses;
    ReadFrames(*model, input);
    ReadMappings(*model, input);
    out.esp32_1 = QByteArray(kEsp32RecordImageSize, '\0');
    PutParameterRecord(model->record, out.esp32_1, 0);
    out.esp32_2 = QByteArray(kEsp32TablesImageSize, '\0');
    pos = PutFrameTables(*model, out.esp32_2, 0);
    pos = PutMappingTables(*model, out.esp32_2, pos);
    PutDefaultValues(*model, out.esp32_2, pos);
}

void WriteConfigurationImage(const ConfigurationImage& image, const QString& binFolder)
{
    const std::array<const QByteArray*, 4> bytes{&image.bank, &image.bank2, &image.esp32_1, &image.esp32_2};
    std::array<std::unique_ptr<QSaveFile>, 4> files;
    auto fail = [](const QString& path, const QString& cause) {
        throw Error(QStringLiteral("Cannot write the file %1: %2").arg(displayPath(path), cause));
    };
    // Every image goes to its temporary file first; an unwritten QSaveFile is discarded
    // when it is destroyed, leaving the old image in place.
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString path = binFolder + u'/' + QLatin1StringView(kImageFileNames[i]);
        files[i] = std::make_unique<QSaveFile>(path);
        QSaveFile& f = *files[i];
        f.setDirectWriteFallback(false);
        if (!f.open(QIODevice::WriteOnly))
            fail(path, f.errorString());
        if (f.write(*bytes[i]) != bytes[i]->size() || !f.flush())
            fail(path, f.errorString());
    }
    for (auto& f : files) {
        if (!f->commit())
            fail(f->fileName(), f->errorString());
    }
}

void compileAndWriteImages(const QString& confFolder)
{
    CompileInput input = CompileInput::fromFolder(confFolder);
    const ConfigurationImage image = CompileConfiguration(input);
    WriteConfigurationImage(image, confFolder + QStringLiteral("/bin"));
}

} // namespace px::image
