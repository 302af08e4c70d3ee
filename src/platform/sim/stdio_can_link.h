#pragma once

#include "core/platform/virtual_converter_ports.h"

#include <QByteArray>

#include <cstdio>
#include <memory>

class QSocketNotifier;

namespace px {

// CAN frames as text lines in the candump log format: read from a file descriptor
// (standard input), written to a stream (standard output), one line per frame, flushed at
// once. The end of the input ends the link; a line that is no frame is reported by
// `problem` and skipped.
class StdioCanLink final : public CanLink {
    Q_OBJECT
public:
    explicit StdioCanLink(int inputFd = 0, std::FILE* output = stdout, QObject* parent = nullptr);
    ~StdioCanLink() override;

    void open() override;
    void send(const sim::CanFrame& frame) override;
    void close() override;
    QString description() const override { return QStringLiteral("standard input and output"); }

Q_SIGNALS:
    void problem(const QString& text);

private:
    void readInput();
    void takeLines(bool atEnd);

    int m_inputFd = 0;
    std::FILE* m_output = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_pending;
    bool m_open = false;
    int m_lineNumber = 0;
};

} // namespace px
