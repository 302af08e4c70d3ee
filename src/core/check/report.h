#pragma once

#include "core/base/error.h"
#include "core/check/finding.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace px {
class MessageTable;
}

namespace px::image {
struct CompileInput;
}

namespace px::check {

// The four images of a configuration as the report names them, compiled in memory only.
struct ImageSummary {
    bool compiled = false;
    std::optional<Error> error;            // why the compile stopped, when it did
    std::array<qint64, 4> sizes{};         // bank.bin, bank2.bin, bank_ESP32_1.bin, bank_ESP32_2.bin
    std::uint32_t bank2RecordChecksum = 0; // the parameter record inside bank2.bin
    std::uint32_t esp32RecordChecksum = 0; // the parameter record of bank_ESP32_1.bin
};

// Compiles the configuration folder into memory and sums the result up; nothing is written.
ImageSummary summariseImages(const QString& configurationFolder);
// The same from the files as read already.
ImageSummary summariseImages(image::CompileInput& input);

// The commissioning report: one HTML document with the configuration's name and the date,
// the device generation, the communication settings, both frame lists, both register maps
// with their byte strips, the findings, the bus-load estimate and the images.
// `signalTable` gives the registers' signal columns.
QString commissioningReportHtml(const config::Configuration& config, const std::vector<Finding>& findings,
                                const ImageSummary& images, const QDateTime& date, const MessageTable& messages,
                                const config::SignalTable& signalTable = {});

// The findings as an HTML table (file, row, severity, code, message), or the "no findings" line.
QString findingsHtml(const std::vector<Finding>& findings, const MessageTable& messages);

} // namespace px::check
