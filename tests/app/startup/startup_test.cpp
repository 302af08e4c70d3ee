// What the configurator loads: at its start none of the libraries that only some windows
// need, and each module with its library when the first window that needs it opens. The
// real executable runs offscreen with quit_when_shown preloaded, which clicks the buttons
// named and ends the program after the last window has painted, listing what it mapped.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Started {
    int exitCode = -1;
    QString errors;
    QStringList libraries;  // file names of the shared objects mapped
    QString texts;          // the labels shown at the end
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        // A home folder with an example configuration as the last one opened.
        const QString project = folder.filePath(QStringLiteral("home/PROJECTS/PumpStation_Jumper"));
        ASSERT_TRUE(QDir().mkpath(project + QStringLiteral("/bin")));
        const QDir example(QStringLiteral(PX_EXAMPLES_DIR "/PumpStation_Jumper"));
        for (const QString& name : example.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(example.filePath(name), project + u'/' + name));
        QFile settings(folder.filePath(QStringLiteral("home/Orvane.xml")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("<Conf_Settings><lastproj><projectname>PumpStation_Jumper</projectname></lastproj></Conf_Settings>\n");
    }

    Started start(const QString& clicks, const QString& program = QStringLiteral(PX_CONFIGURATOR_EXE))
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(PX_QUIT_WHEN_SHOWN));
        // A sanitized build wants its runtime first; the preloaded library comes before it.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:verify_asan_link_order=0"));
        env.insert(QStringLiteral("PX_STARTUP_CLICKS"), clicks);
        env.insert(QStringLiteral("PX_STARTUP_MAPS"), folder.filePath(QStringLiteral("maps.txt")));
        env.insert(QStringLiteral("PX_STARTUP_TEXTS"), folder.filePath(QStringLiteral("texts.txt")));
        process.setProcessEnvironment(env);
        process.start(program, {QStringLiteral("--home"), folder.filePath(QStringLiteral("home"))});
        Started s;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
        }
        s.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        s.errors = QString::fromLocal8Bit(process.readAllStandardError());
        QFile maps(folder.filePath(QStringLiteral("maps.txt")));
        if (maps.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : maps.readAll().split('\n')) {
                if (!line.isEmpty())
                    s.libraries << QFileInfo(QString::fromLocal8Bit(line)).fileName();
            }
        }
        QFile texts(folder.filePath(QStringLiteral("texts.txt")));
        if (texts.open(QIODevice::ReadOnly))
            s.texts = QString::fromUtf8(texts.readAll());
        QFile::remove(maps.fileName());
        QFile::remove(texts.fileName());
        return s;
    }

    QTemporaryDir folder;
};

// Whether a library of that name (libQt6Network, libpx_links) is among those mapped.
bool mapped(const Started& s, const QString& name)
{
    for (const QString& library : s.libraries) {
        if (library.startsWith(name + u'.'))
            return true;
    }
    return false;
}

const QStringList kOnDemand = {QStringLiteral("libQt6PrintSupport"), QStringLiteral("libQt6SerialBus"),
                               QStringLiteral("libQt6SerialPort"),   QStringLiteral("libQt6Network"),
                               QStringLiteral("libquazip1-qt6"),     QStringLiteral("libpx_links"),
                               QStringLiteral("libpx_print"),        QStringLiteral("libpx_zip")};

TEST_F(StartupTest, EachWindowLoadsOnlyWhatItNeedsWhenItFirstOpens)
{
    struct Case {
        QString clicks;
        QStringList loaded;  // of kOnDemand; the others stay unloaded
    };
    const Case cases[] = {
        {{}, {}},
        {QStringLiteral("registerMapButton"), {QStringLiteral("libpx_print"), QStringLiteral("libQt6PrintSupport")}},
        {QStringLiteral("manageButton"), {QStringLiteral("libpx_zip"), QStringLiteral("libquazip1-qt6")}},
        {QStringLiteral("monitorButton"),
         {QStringLiteral("libpx_links"), QStringLiteral("libQt6SerialBus"), QStringLiteral("libQt6SerialPort"),
          QStringLiteral("libQt6Network")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clicks.toStdString());
        const Started s = start(c.clicks);
        ASSERT_EQ(s.exitCode, 0) << s.errors.toStdString();
        ASSERT_TRUE(mapped(s, QStringLiteral("libQt6Widgets"))) << s.libraries.join(u' ').toStdString();
        for (const QString& library : kOnDemand)
            EXPECT_EQ(mapped(s, library), c.loaded.contains(library)) << library.toStdString();
        // The main window's icons are decoded without asking Qt's image plugins.
        if (c.clicks.isEmpty()) {
            for (const QString& plugin : {QStringLiteral("libqgif"), QStringLiteral("libqico"), QStringLiteral("libqjpeg")})
                EXPECT_FALSE(mapped(s, plugin)) << plugin.toStdString();
        }
        // No error box: the window itself opened.
        EXPECT_FALSE(s.texts.contains(QStringLiteral("cannot be loaded"))) << s.texts.toStdString();
    }
}

TEST_F(StartupTest, AMissingModuleIsNamedAndTheMainWindowStays)
{
    // The executable alone in a folder of its own: no module beside it, none installed.
    const QString program = folder.filePath(QStringLiteral("bin/px40318-configurator"));
    ASSERT_TRUE(QDir().mkpath(folder.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PX_CONFIGURATOR_EXE), program));
    const Started s = start(QStringLiteral("monitorButton"), program);
    ASSERT_EQ(s.exitCode, 0) << s.errors.toStdString();
    EXPECT_FALSE(mapped(s, QStringLiteral("libQt6SerialBus")));
    EXPECT_TRUE(s.texts.contains(QStringLiteral("This window needs the program file %1, which cannot be loaded: the file "
                                                "is missing. Install the configurator again.")
                                     .arg(QDir::toNativeSeparators(folder.filePath(QStringLiteral("bin/libpx_links.so"))))))
        << s.texts.toStdString();
    // The monitor never opened; the main window is still there to go on with.
    EXPECT_TRUE(s.texts.contains(QStringLiteral("Step 1"))) << s.texts.toStdString();
}

} // namespace
