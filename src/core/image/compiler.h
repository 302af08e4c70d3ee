#pragma once

#include "core/image/compile_input.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace px::image {

// The four images of a configuration, built whole in memory before any is written.
struct ConfigurationImage {
    QByteArray bank;      // bank.bin: device till April 2014
    QByteArray bank2;     // bank2.bin: device from May 2014, main memory (73728 bytes)
    QByteArray esp32_1;   // bank_ESP32_1.bin: its ESP32 part, the parameter record (2048 bytes)
    QByteArray esp32_2;   // bank_ESP32_2.bin: its ESP32 part, the tables (71680 bytes)
};

// The file names of the images in a bin folder, in the order they are written.
inline constexpr const char* kImageFileNames[4] = {"bank.bin", "bank2.bin", "bank_ESP32_1.bin", "bank_ESP32_2.bin"};

// Compiles the five files into all four images, whatever the device generation: the
// legacy image first, then the current images. Each file is parsed once and its rows read
// into the configuration model's rows once, which both image kinds are written from.
// Throws px::Error naming the file, row, attribute and cause at the first value that
// stops the compile.
ConfigurationImage compileConfiguration(CompileInput& input);

// The images of the device from May 2014 alone (bank2.bin and both ESP32 images), into
// `image`, from one image model laid out twice (bank2.bin's addresses, then the ESP32
// addresses); its legacy image is left as it is.
void buildCurrentImages(CompileInput& input, ConfigurationImage& image);

// Writes the four images into `binFolder`, which must exist. All four are first written
// to temporary files beside their targets and only then renamed over the old images, so a
// refused write leaves every old image as it was; should a replacement itself fail, the
// images already replaced get their earlier content back (the message says which could
// not). Throws px::Error naming the file. `beforeReplacing` is called with the index of
// each image before it replaces the old one (tests use it to make a replacement fail).
void writeConfigurationImage(const ConfigurationImage& image, const QString& binFolder,
                             const std::function<void(int)>& beforeReplacing = {});

// The compile command's write: creates `folder` and every missing folder above it, then
// writes the images as writeConfigurationImage does. When anything fails, the folders it
// created are removed again, so a failed compile into a new folder leaves none behind.
// Throws px::Error naming the folder or the file and the cause.
void writeConfigurationImageInto(const ConfigurationImage& image, const QString& folder);

// Update Device's compile step: compiles the configuration folder `configurationFolder` and writes
// its images into configurationFolder/bin. Throws px::Error; nothing is written then.
void compileAndWriteImages(const QString& configurationFolder);

} // namespace px::image
