#include "gui/exchange/frame_exchange.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/exchange/configuration_exchange.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/common/guard.h"
#include "gui/common/save_edit.h"
#include "gui/exchange/import_picker_dialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <memory>

namespace px {
namespace {

// Holds back the user's input to every widget but `allowed` and its children while it
// lives: a long reading runs the event loop, and nothing may start a second one meanwhile.
class InputOnlyFor final : public QObject {
public:
    explicit InputOnlyFor(QWidget* allowed) : m_allowed(allowed) { QCoreApplication::instance()->installEventFilter(this); }
    ~InputOnlyFor() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Close: {
            auto* widget = qobject_cast<QWidget*>(watched);
            return widget && widget != m_allowed && !m_allowed->isAncestorOf(widget);
        }
        default:
            return false;
        }
    }

private:
    QWidget* m_allowed;
};

// Reads the file on a worker thread while this one shows the progress of a capture in a
// bar that can cancel it (a database is read at once). The editor takes no input until the
// reading is over.
std::optional<exchange::ImportSource> readWithProgress(const QString& path, QWidget* parent)
{
    struct Progress {
        std::atomic<int> permille{0};
        std::atomic<bool> cancelled{false};
    };
    struct Outcome {
        std::optional<exchange::ImportSource> source;
        std::optional<Error> failure;
    };
    const auto shared = std::make_shared<Progress>();

    QProgressDialog progress(QStringLiteral("Reading %1 ...").arg(displayPath(path)), QStringLiteral("Cancel"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("readingProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [shared] { shared->cancelled = true; });

    const InputOnlyFor onlyTheProgress(&progress);

    // The worker only reads; the outcome is taken once it has finished.
    Outcome outcome;
    const std::unique_ptr<QThread> worker(QThread::create([&outcome, path, shared] {
        try {
            outcome.source = exchange::readImportSource(path, [shared](qint64 done, qint64 total) {
                if (total > 0)
                    shared->permille = static_cast<int>(done * 1000 / total);
                return !shared->cancelled.load();
            });
        } catch (const Error& e) {
            outcome.failure = e;
        }
    }));
    QEventLoop loop;
    QTimer refresh;
    refresh.setInterval(50);
    QObject::connect(&refresh, &QTimer::timeout, &progress, [&] { progress.setValue(shared->permille.load()); });
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    refresh.start();
    loop.exec();
    worker->wait();
    refresh.stop();

    if (outcome.failure)
        throw *outcome.failure;
    return std::move(outcome.source);
}

} // namespace

QString importFileFilter(bool receive)
{
    return receive ? QStringLiteral("CAN database or candump capture (*.dbc *.log *.txt)|*.dbc;*.log;*.txt|All files (*)|*")
                   : QStringLiteral("CAN database (*.dbc)|*.dbc");
}

FrameExchangeBar::FrameExchangeBar(bool receive, Session& session, Prompter& prompter, QWidget* parent)
    : QWidget(parent), m_session(session), m_prompter(prompter)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_importButton = new QPushButton(QStringLiteral("Import..."), this);
    m_importButton->setObjectName(QStringLiteral("importFramesButton"));
    m_importButton->setToolTip(receive ? QStringLiteral("Add frames from a CAN database (DBC) or a candump capture")
                                         : QStringLiteral("Add frames from a CAN database (DBC)"));
    m_exportButton = new QPushButton(QStringLiteral("Export DBC..."), this);
    m_exportButton->setObjectName(QStringLiteral("exportDbcButton"));
    m_exportButton->setToolTip(QStringLiteral("Write the saved configuration as a CAN database into its folder"));
    for (QPushButton* b : {m_importButton, m_exportButton}) {
        b->setAutoDefault(false);
        layout->addWidget(b);
    }
    connect(m_importButton, &QPushButton::clicked, this, &FrameExchangeBar::importRequested);
    connect(m_exportButton, &QPushButton::clicked, this, &FrameExchangeBar::exportDbc);
}

void FrameExchangeBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (QPushButton* b : {m_importButton, m_exportButton}) {
            if (b->hasFocus()) {
                b->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

void FrameExchangeBar::exportDbc()
{
    const Workspace& ws = m_session.ws;
    guarded(m_prompter, m_session.messages, [&] {
        const exchange::DbcText text = exchange::configurationDbc(m_session.activeConfiguration(),
                                                                   config::loadSignalTable(ws.configurationFolder));
        const QString path = ws.configurationFolder + u'/' + ws.configurationName + QStringLiteral(".dbc");
        writeFileAtomically(path, text.bytes);
        QString message = QStringLiteral("The saved configuration is written as a CAN database into %1.").arg(displayPath(path));
        if (!text.notes.isEmpty())
            message += QStringLiteral("\n\nLeft out:\n") + text.notes.join(u'\n');
        m_prompter.information(message);
    });
}

bool importIntoFrameList(FrameList& list, const CanSettings& canSettings, bool loadIncomplete, Session& session,
                         Prompter& prompter, QWidget* parent)
{
    if (const std::optional<FrameFault> fault = validateFrameList(list, canSettings.canType)) {
        prompter.error(faultText(session.messages, list.kind(), *fault));
        return false;
    }
    const bool receive = isReceiveList(list.kind());
    const exchange::Direction direction = receive ? exchange::Direction::Receive : exchange::Direction::Transmit;
    const QString folder = session.ws.configurationFolder;
    const QString path = prompter.openFile(folder, importFileFilter(receive));
    if (path.isEmpty())
        return false;

    // The editor's rows take their place in the open configuration first, so the import
    // sees the frames as the editor holds them, each with its registers.
    const GeneralParameters writtenAs = frameListWriter(list, canSettings);
    const auto takeRows = [&list, receive, &writtenAs](config::ConfigurationDocument& document) {
        if (receive)
            return document.setReceiveFrames(list.receiveFrames(), list.frameKeys(), writtenAs);
        return document.setTransmitFrames(list.transmitFrames(), list.frameKeys(), writtenAs);
    };
    std::optional<exchange::ImportSource> source;
    config::Configuration config;
    bool ready = guarded(prompter, session.messages, [&] {
        source = readWithProgress(path, parent);
        if (!source)
            return;
        if (source->capture && !receive)
            throw Error(msg::kCaptureIntoReceiveList, {source->fileName});
        config::ConfigurationDocument withRows = session.document;
        if (!withRows.isOpen())
            withRows.open(folder);
        takeRows(withRows);
        config = withRows.configuration();
    });
    if (!ready || !source)
        return false;

    ImportPickerDialog picker(prompter, session.messages, parent);
    if (source->messages.empty()) {
        prompter.error(QStringLiteral("%1 holds no CAN frames.").arg(source->fileName));
        return false;
    }
    picker.prepareShowing(source->fileName, source->messages, exchange::importTarget(config, direction), source->warnings);
    if (picker.exec() != QDialog::Accepted)
        return false;

    const exchange::ImportPlan plan = picker.plan();
    const QString framePath = receive ? session.ws.receiveFramesFile : session.ws.transmitFramesFile;
    const config::Direction side = receive ? config::Direction::Receive : config::Direction::Transmit;
    const SaveOutcome outcome = saveEdit(session, prompter, [&](config::ConfigurationDocument& document) {
        if (loadIncomplete)
            keepBackup(framePath);
        std::vector<config::ConfigFile> touched = takeRows(document);
        config::Configuration imported = document.configuration();
        exchange::applyImport(imported, direction, plan);
        // The frames of the list keep their keys; the imported ones after them are new.
        std::vector<config::FrameKey> keys = document.frameKeys(side);
        keys.resize(static_cast<std::size_t>(imported.frameCount(side)), 0);
        if (receive)
            document.setReceiveFrames(imported.receiveFrames, keys, writtenAs);
        else
            document.setTransmitFrames(imported.transmitFrames, keys, writtenAs);
        document.setMappings(side, imported.mappings(side));
        touched.push_back(config::mappingsFile(side));
        // What the database says of the signals goes into the signal file, written with them.
        config::SignalTable signalTable = config::loadSignalTable(folder);
        exchange::applyImportSignals(signalTable, direction, plan, picker.chosen());
        document.writeAlongside(config::kSignalFileName, config::signalTableBytes(signalTable));
        return touched;
    });
    if (outcome != SaveOutcome::Saved)
        return false;
    bool reloaded = guarded(prompter, session.messages, [&] {
        list.clear();
        loadFrameListFromDocument(session.document, list);
    });
    if (reloaded) {
        prompter.information(QStringLiteral("%1 frames and %2 mapping entries are imported and saved.")
                                 .arg(plan.frames.size())
                                 .arg(plan.entries.size()));
    }
    return reloaded;
}

} // namespace px
