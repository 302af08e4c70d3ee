// The configurator: builds the session, the services and the main window, then runs; every
// other window is made when it first opens, with the modules it needs (app/modules.h).

#include "app/lazy.h"
#include "app/modules.h"
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
#include "platform/icmp_pinger.h"
#include "platform/process_runner.h"
#include "platform/system_trash.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>

namespace {

// A modal window behind one of the main window's steps, made when it first opens; an
// editor with rows may also be opened at a row.
template <class T>
void addModal(px::WindowDialogs& dialogs, px::Window id, px::Lazy<T>& window)
{
    dialogs.add(id, [&window] {
        T* w = window.get();
        return w && w->execShow();
    }, [&window] {
        if (T* w = window.ifMade())
            w->applyLanguage();
    });
    if constexpr (requires(T& w) { w.execShowAt(1); }) {
        dialogs.addRowShow(id, [&window](int row) {
            T* w = window.get();
            return w && w->execShowAt(row);
        });
    }
}

// A window that stays open beside the main window.
template <class T>
void addModeless(px::WindowDialogs& dialogs, px::Window id, px::Lazy<T>& window)
{
    dialogs.add(id, [&window] {
        T* w = window.get();
        if (w)
            w->showWindow();
        return w != nullptr;
    }, [&window] {
        if (T* w = window.ifMade())
            w->applyLanguage();
    });
}

} // namespace

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
    px::Modules modules(prompter, session.messages);

    px::MainWindow mainWindow(session, {prompter, dialogs, runner, browser});
    QWidget* const parent = &mainWindow;
    // Every other window is made when it first opens: the start builds the main window only.
    px::Lazy<px::NewConfigurationDialog> newConfiguration(
        [&] { return std::make_unique<px::NewConfigurationDialog>(session, prompter, parent); });
    px::Lazy<px::OpenConfigurationDialog> openConfiguration(
        [&] { return std::make_unique<px::OpenConfigurationDialog>(session, parent); });
    addModal(dialogs, px::Window::NewConfiguration, newConfiguration);
    addModal(dialogs, px::Window::OpenConfiguration, openConfiguration);
    px::SystemTrash trash;
    px::Lazy<px::ManageConfigurationsDialog> manageConfigurations([&]() -> std::unique_ptr<px::ManageConfigurationsDialog> {
        px::ConfigurationArchives* archives = modules.archives();
        if (!archives)
            return nullptr;
        return std::make_unique<px::ManageConfigurationsDialog>(session, prompter, trash, *archives, parent);
    });
    addModal(dialogs, px::Window::ManageConfigurations, manageConfigurations);
    px::Lazy<px::AboutDialog> about([&] {
        auto dialog = std::make_unique<px::AboutDialog>(browser, parent);
        dialog->setHomeFolder(home.path);
        return dialog;
    });
    dialogs.add(px::Window::About, [&] { return about.get()->execShow(); }, {});
    // In the background: without its module the check finds no newer version, as without
    // a network.
    auto checkVersion = [&] {
        px::LinkServices* links = modules.links(true);
        return links && px::newerVersionAvailable(links->http);
    };
    mainWindow.setVersionCheck(checkVersion);
    px::Lazy<px::SoftwareOptionsDialog> softOptions([&] {
        return std::make_unique<px::SoftwareOptionsDialog>(
            session, px::SoftwareOptionsDialog::Services{prompter, browser, checkVersion, [&] { mainWindow.changeLanguage(); }},
            parent);
    });
    addModal(dialogs, px::Window::SoftwareOptions, softOptions);

    px::IcmpPinger pinger;
    const px::StartProgramFn startProgram = [&](const QString& program, const QString& parameters, bool hidden) {
        return mainWindow.startProgram(program, parameters, hidden);
    };
    px::Lazy<px::EthernetUpdateDialog> ethernetUpdate(
        [&] { return std::make_unique<px::EthernetUpdateDialog>(session, prompter, pinger, startProgram, parent); });
    px::Lazy<px::SerialUpdateDialog> serialUpdate([&]() -> std::unique_ptr<px::SerialUpdateDialog> {
        px::LinkServices* links = modules.links();
        if (!links)
            return nullptr;
        return std::make_unique<px::SerialUpdateDialog>(session, prompter, links->serialPorts, startProgram, parent);
    });
    addModal(dialogs, px::Window::EthernetUpdate, ethernetUpdate);
    addModal(dialogs, px::Window::SerialUpdate, serialUpdate);

    px::Lazy<px::CommunicationSettingsDialog> communicationSettings(
        [&] { return std::make_unique<px::CommunicationSettingsDialog>(session, prompter, parent); });
    addModal(dialogs, px::Window::CommunicationSettings, communicationSettings);
    px::Lazy<px::ReceiveFramesJumperDialog> receiveJumper(
        [&] { return std::make_unique<px::ReceiveFramesJumperDialog>(session, prompter, parent); });
    px::Lazy<px::ReceiveFramesDipDialog> receiveDip(
        [&] { return std::make_unique<px::ReceiveFramesDipDialog>(session, prompter, parent); });
    px::Lazy<px::TransmitFramesJumperDialog> transmitJumper(
        [&] { return std::make_unique<px::TransmitFramesJumperDialog>(session, prompter, parent); });
    px::Lazy<px::TransmitFramesDipDialog> transmitDip(
        [&] { return std::make_unique<px::TransmitFramesDipDialog>(session, prompter, parent); });
    addModal(dialogs, px::Window::ReceiveFramesJumper, receiveJumper);
    addModal(dialogs, px::Window::ReceiveFramesDip, receiveDip);
    addModal(dialogs, px::Window::TransmitFramesJumper, transmitJumper);
    addModal(dialogs, px::Window::TransmitFramesDip, transmitDip);

    px::sim::SteadyClock converterClock;
    px::Lazy<px::VirtualConverterWindow> virtualConverter([&]() -> std::unique_ptr<px::VirtualConverterWindow> {
        px::LinkServices* links = modules.links();
        if (!links)
            return nullptr;
        return std::make_unique<px::VirtualConverterWindow>(session, prompter, links->converterPorts, converterClock, parent);
    });
    addModeless(dialogs, px::Window::VirtualConverter, virtualConverter);
    px::Lazy<px::MonitorWindow> monitor([&]() -> std::unique_ptr<px::MonitorWindow> {
        px::LinkServices* links = modules.links();
        if (!links)
            return nullptr;
        return std::make_unique<px::MonitorWindow>(session, prompter, links->monitorPorts, converterClock, parent);
    });
    addModeless(dialogs, px::Window::Monitor, monitor);

    px::Lazy<px::FindingsDialog> findingsDialog(
        [&] { return std::make_unique<px::FindingsDialog>(session.messages, parent); });
    dialogs.setFindingsReviewer([&](const std::vector<px::check::Finding>& findings) {
        return findingsDialog.get()->review(findings);
    });
    px::Lazy<px::RegisterMapWindow> registerMap([&]() -> std::unique_ptr<px::RegisterMapWindow> {
        px::PagePrinter* printer = modules.printer();
        if (!printer)
            return nullptr;
        auto window = std::make_unique<px::RegisterMapWindow>(session, prompter, *printer, parent);
        // Findings of the check lead to the editors at their rows.
        window->setFindingOpener([&](const px::check::Finding& finding, const px::config::Configuration& config) {
            const px::EditorTarget target = px::editorTargetFor(finding, config, session.activeDeviceType());
            dialogs.showAt(target.window, target.row);
        });
        return window;
    });
    dialogs.add(px::Window::RegisterMap, [&] {
        px::RegisterMapWindow* window = registerMap.get();
        return window && window->execShow();
    }, [&] {
        if (px::RegisterMapWindow* window = registerMap.ifMade())
            window->applyLanguage();
        if (px::FindingsDialog* dialog = findingsDialog.ifMade())
            dialog->applyLanguage();
    });
    // From a mapping editor the map shows the editor's entries and signals as they stand;
    // its findings on that mapping select the entry in the editor.
    const auto mappingEditor = [&]<class Editor>(px::config::Direction direction) {
        return [&, direction] {
            auto editor = std::make_unique<Editor>(session, prompter, parent);
            Editor& e = *editor;
            e.setRegisterMapOpener([&e, &registerMap, direction](const std::vector<px::config::MappingEntry>& entries,
                                                                 const px::config::SignalTable& signalTable) {
                if (px::RegisterMapWindow* window = registerMap.get())
                    window->execShowWithEntries(direction, entries, signalTable,
                                                [&e](const px::check::Finding& f) { e.showEntryRow(f.row); });
            });
            return editor;
        };
    };
    px::Lazy<px::ReceiveMappingDialog> receiveMapping(
        mappingEditor.operator()<px::ReceiveMappingDialog>(px::config::Direction::Receive));
    px::Lazy<px::TransmitMappingDialog> transmitMapping(
        mappingEditor.operator()<px::TransmitMappingDialog>(px::config::Direction::Transmit));
    addModal(dialogs, px::Window::ReceiveMapping, receiveMapping);
    addModal(dialogs, px::Window::TransmitMapping, transmitMapping);

    mainWindow.show();
    return app.exec();
}
