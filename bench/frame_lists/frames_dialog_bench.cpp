// Showing a full 300-row dip-switch receive frame editor from its file, and its OK
// (check of every row and writing the file). Both should stay well under 50 ms.
#include "core/base/atomic_file.h"
#include "core/frames/frame_list.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/frames/receive_frames_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace px {
namespace {

// Discards every message; a full valid table shows none.
class SilentPrompter final : public Prompter {
public:
    void error(const QString&) override { ++errors; }
    void information(const QString&) override {}
    bool yesNo(const QString&) override { return false; }
    Answer yesNoCancel(const QString&) override { return Answer::Cancel; }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&) override { return {}; }
    std::optional<QString> askText(const QString&, const QString&) override { return std::nullopt; }
    int errors = 0;
};

struct FullDipEditor {
    FullDipEditor()
    {
        session.start(dir.path());
        QDir().mkpath(session.ws.projectsFolder + QStringLiteral("/Bench/bin"));
        session.ws.activate(QStringLiteral("Bench"));
        FrameList frames(FrameListKind::ReceiveDip);
        for (int r = 0; r < frames.rowCount(); ++r) {
            const int n = r + 1;
            frames.setText(r, FrameColumn::CobId, QStringLiteral("0x%1").arg(0x100 + n, 0, 16));
            frames.setText(r, FrameColumn::Type, n % 2 ? kCobType11 : kCobType29);
            frames.setText(r, FrameColumn::Dimension, QStringLiteral("8"));
            frames.setText(r, FrameColumn::TimeOut, QString::number(n * 10));
            frames.setText(r, FrameColumn::Rtr, n % 3 ? QStringLiteral("N") : QStringLiteral("Y"));
            frames.setText(r, FrameColumn::RtrTime, QStringLiteral("100"));
            frames.setText(r, FrameColumn::DefaultValues, QStringLiteral("1,2,3,4,5,6,7,255"));
            frames.setText(r, FrameColumn::Mnemonic, QStringLiteral("Frame number %1").arg(n));
        }
        saveFrameList(frames, {}, session.ws.receiveFramesFile);
    }

    QTemporaryDir dir;
    Session session;
    SilentPrompter prompter;
};

void BM_ShowFullDipReceiveEditor(benchmark::State& state)
{
    FullDipEditor fixture;
    ReceiveFramesDipDialog dialog(fixture.session, fixture.prompter);
    dialog.show();
    for (auto _ : state) {
        dialog.reload();
        dialog.repaint(); // the visible part of the table painted, as the user sees it
    }
    dialog.reject();
    if (dialog.frames().length() != 300)
        state.SkipWithError("the table was not filled");
}
BENCHMARK(BM_ShowFullDipReceiveEditor)->Unit(benchmark::kMillisecond);

void BM_OkFullDipReceiveEditor(benchmark::State& state)
{
    FullDipEditor fixture;
    ReceiveFramesDipDialog dialog(fixture.session, fixture.prompter);
    dialog.reload();
    for (auto _ : state)
        dialog.accept();
    if (fixture.prompter.errors != 0 || dialog.result() != QDialog::Accepted)
        state.SkipWithError("OK did not pass");
}
BENCHMARK(BM_OkFullDipReceiveEditor)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace px

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
