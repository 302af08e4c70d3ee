// The configurator: builds the session, the services and every window, then runs.

#include "core/base/product.h"
#include "core/options/version_check.h"
#include "core/shell/home_folder.h"
#include "core/shell/session.h"
#include "core/sim/simulator.h"
#include "gui/check/findings_dialog.h"
#include "gui/check/finding_target.h"
#include "gui/check/register_map_window.h"
#include "gui/comm/communication_settings_dialog.h"
#include "gui/common/qt_prompter.h"
#include "gui/common/screen_fit.h"
#include "gui/common/window_dialogs.h"
#include "gui/frames/define_mapping_dialog.h"
#include "gui/frames/receive_frames_dialogs.h"
#include "gui/frames/transmit_frames_dialogs.h"
#include "gui/options/about_dialog.h"
#include "gui/options/soft_options_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/manage_configurations_dialog.h"
#include "gui/shell/new_configuration_dialog.h"
#include "gui/shell/open_configuration_dialog.h"
#include "gui/sim/monitor_window.h"
#include "gui/sim/virtual_converter_window.h"
#include "gui/update/ethernet_update_dialog.h"
#include "gui/update/serial_update_dialog.h"
#include "platform/desktop_browser.h"
#include "platform/http10_getter.h"
#include "platform/icmp_pinger.h"
#include "platform/process_runner.h"
#include "platform/serial_ports_qt.h"
#include "platform/sim/monitor_ports_qt.h"
#include "platform/sim/virtual_converter_ports_qt.h"
#include "platform/system_trash.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char** argv)
{
    // The command line is read before the application object exists, so --help and
    // --version work without a display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const px::ConfiguratorOptions options = px::parseConfiguratorOptions(args);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "px40318-configurator: %s\n%s", options.error.toLocal8Bit().constData(),
                     px::configuratorHelp().toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(px::configuratorHelp().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", qPrintable(px::product::kSoftwareCode), qPrintable(px::product::kVersion));
        return 0;
    }

    // The name fixes the user's data folder (~/.local/share/px40318-configurator) whatever
    // the executable is called.
    QCoreApplication::setApplicationName(QStringLiteral("px40318-configurator"));
    // The desktop entry's name, so that a desktop (on Wayland too) shows the windows under
    // the entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.orvane.px40318_configurator"));
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("px40318-configurator")));
    // Every window fits the screen it opens on, whatever the scale and the screen's size.
    px::ScreenFit screenFit;
    app.installEventFilter(&screenFit);
    const px::HomeFolder home =
        px::chooseHomeFolder(options.homeFolder, qEnvironmentVariable("PX40318_HOME"), QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    px::QtPrompter prompter;
    // Without its home folder the program could keep no configuration and no setting.
    if (!QDir().mkpath(home.path)) {
        prompter.error(QStringLiteral("The home folder %1 cannot be created. Choose another one with --home or "
                                      "PX40318_HOME.")
                           .arg(QDir::toNativeSeparators(home.path)));
        return 1;
    }

    px::Session session;
    session.start(home.path);
    px::WindowDialogs dialogs(prompter);
    px::ProcessRunner runner;
    px::DesktopBrowser browser;
    px::Http10Getter http;

    px::MainWindow mainWindow(session, {prompter, dialogs, runner, browser});
    px::NewConfigurationDialog newConfiguration(session, prompter, &mainWindow);
    px::OpenConfigurationDialog openConfiguration(session, &mainWindow);
    dialogs.add(px::Window::NewConfiguration, [&] { return newConfiguration.execShow(); }, [&] { newConfiguration.applyLanguage(); });
    dialogs.add(px::Window::OpenConfiguration, [&] { return openConfiguration.execShow(); }, [&] { openConfiguration.applyLanguage(); });
    px::SystemTrash trash;
    px::ManageConfigurationsDialog manageConfigurations(session, prompter, trash, &mainWindow);
    dialogs.add(px::Window::ManageConfigurations, [&] { return manageConfigurations.execShow(); }, [&] { manageConfigurations.applyLanguage(); });
    px::AboutDialog about(browser, &mainWindow);
    about.setHomeFolder(home.path);
    dialogs.add(px::Window::About, [&] { return about.execShow(); }, {});
    auto checkVersion = [&] { return px::newerVersionAvailable(http); };
    mainWindow.setVersionCheck(checkVersion);
    px::SoftwareOptionsDialog softOptions(session, {prompter, browser, checkVersion, [&] { mainWindow.changeLanguage(); }},
                                          &mainWindow);
    dialogs.add(px::Window::SoftwareOptions, [&] { return softOptions.execShow(); }, [&] { softOptions.applyLanguage(); });

    px::SerialPortsQt serialPorts;
    px::IcmpPinger pinger;
    const px::StartProgramFn startProgram = [&](const QString& program, const QString& parameters, bool hidden) {
        return mainWindow.startProgram(program, parameters, hidden);
    };
    px::EthernetUpdateDialog ethernetUpdate(session, prompter, pinger, startProgram, &mainWindow);
    px::SerialUpdateDialog serialUpdate(session, prompter, serialPorts, startProgram, &mainWindow);
    dialogs.add(px::Window::EthernetUpdate, [&] { return ethernetUpdate.execShow(); }, [&] { ethernetUpdate.applyLanguage(); });
    dialogs.add(px::Window::SerialUpdate, [&] { return serialUpdate.execShow(); }, [&] { serialUpdate.applyLanguage(); });

    px::CommunicationSettingsDialog communicationSettings(session, prompter, &mainWindow);
    dialogs.add(px::Window::CommunicationSettings, [&] { return communicationSettings.execShow(); }, [&] { communicationSettings.applyLanguage(); });
    px::ReceiveFramesJumperDialog receiveJumper(session, prompter, &mainWindow);
    px::ReceiveFramesDipDialog receiveDip(session, prompter, &mainWindow);
    px::ReceiveMappingDialog receiveMapping(session, prompter, &mainWindow);
    px::TransmitFramesJumperDialog transmitJumper(session, prompter, &mainWindow);
    px::TransmitFramesDipDialog transmitDip(session, prompter, &mainWindow);
    px::TransmitMappingDialog transmitMapping(session, prompter, &mainWindow);
    dialogs.add(px::Window::ReceiveFramesJumper, [&] { return receiveJumper.execShow(); }, [&] { receiveJumper.applyLanguage(); });
    dialogs.add(px::Window::ReceiveFramesDip, [&] { return receiveDip.execShow(); }, [&] { receiveDip.applyLanguage(); });
    dialogs.add(px::Window::ReceiveMapping, [&] { return receiveMapping.execShow(); }, [&] { receiveMapping.applyLanguage(); });
    dialogs.add(px::Window::TransmitFramesJumper, [&] { return transmitJumper.execShow(); }, [&] { transmitJumper.applyLanguage(); });
    dialogs.add(px::Window::TransmitFramesDip, [&] { return transmitDip.execShow(); }, [&] { transmitDip.applyLanguage(); });
    dialogs.add(px::Window::TransmitMapping, [&] { return transmitMapping.execShow(); }, [&] { transmitMapping.applyLanguage(); });

    px::VirtualConverterPortsQt converterPorts;
    px::sim::SteadyClock converterClock;
    px::VirtualConverterWindow virtualConverter(session, prompter, converterPorts, converterClock, &mainWindow);
    dialogs.add(px::Window::VirtualConverter, [&] {
        virtualConverter.showWindow();
        return true;
    }, [&] { virtualConverter.applyLanguage(); });
    px::MonitorPortsQt monitorPorts;
    px::MonitorWindow monitor(session, prompter, monitorPorts, converterClock, &mainWindow);
    dialogs.add(px::Window::Monitor, [&] {
        monitor.showWindow();
        return true;
    }, [&] { monitor.applyLanguage(); });
    // Findings of the check lead to the editors at their rows.
    dialogs.addRowShow(px::Window::ReceiveFramesJumper, [&](int row) { return receiveJumper.execShowAt(row); });
    dialogs.addRowShow(px::Window::ReceiveFramesDip, [&](int row) { return receiveDip.execShowAt(row); });
    dialogs.addRowShow(px::Window::ReceiveMapping, [&](int row) { return receiveMapping.execShowAt(row); });
    dialogs.addRowShow(px::Window::TransmitFramesJumper, [&](int row) { return transmitJumper.execShowAt(row); });
    dialogs.addRowShow(px::Window::TransmitFramesDip, [&](int row) { return transmitDip.execShowAt(row); });
    dialogs.addRowShow(px::Window::TransmitMapping, [&](int row) { return transmitMapping.execShowAt(row); });
    px::FindingsDialog findingsDialog(session.messages, &mainWindow);
    dialogs.setFindingsReviewer([&](const std::vector<px::check::Finding>& findings) {
        return findingsDialog.review(findings);
    });
    px::RegisterMapWindow registerMap(session, prompter, &mainWindow);
    dialogs.add(px::Window::RegisterMap, [&] { return registerMap.execShow(); }, [&] {
        registerMap.applyLanguage();
        findingsDialog.applyLanguage();
    });
    registerMap.setFindingOpener([&](const px::check::Finding& finding, const px::config::Configuration& config) {
        const px::EditorTarget target = px::editorTargetFor(finding, config, session.activeDeviceType());
        dialogs.showAt(target.window, target.row);
    });
    // From a mapping editor the map shows the editor's entries and signals as they stand;
    // its findings on that mapping select the entry in the editor.
    const auto mapFromEditor = [&](px::DefineMappingDialog& editor, px::config::Direction direction) {
        editor.setRegisterMapOpener([&editor, &registerMap, direction](const std::vector<px::config::MappingEntry>& entries,
                                                                       const px::config::SignalTable& signalTable) {
            registerMap.execShowWithEntries(direction, entries, signalTable,
                                            [&editor](const px::check::Finding& f) { editor.showEntryRow(f.row); });
        });
    };
    mapFromEditor(receiveMapping, px::config::Direction::Receive);
    mapFromEditor(transmitMapping, px::config::Direction::Transmit);

    mainWindow.show();
    return app.exec();
}
