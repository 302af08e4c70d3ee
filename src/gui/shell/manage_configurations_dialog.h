#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QTableWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace px {

class ConfigurationArchives;
class Prompter;
class Session;
class TitleBand;
class Trash;

// Step 1, Manage Configurations: duplicate a configuration (with offsets for its CAN
// identifiers and registers), rename it, delete it, export it as one .zip file and import
// one; the updates recorded for it, and Compare: a recorded update (or the configuration)
// against the configuration as it is now or another one. Every action works on the configuration selected in the list and goes through
// core; refusals and questions go through the Prompter.
class ManageConfigurationsDialog final : public QDialog {
    Q_OBJECT
public:
    ManageConfigurationsDialog(Session& session, Prompter& prompter, Trash& trash, ConfigurationArchives& archives,
                               QWidget* parent = nullptr);

    void applyLanguage();
    void prepareShowing();
    bool execShow();

    // The configurations listed, as in the Open dialog.
    QStringList m_names;
    // The folder where the file dialogs of Export and Import start.
    QString exchangeFolder;

private:
    QString selected() const;
    void reload(const QString& select);
    void duplicate();
    void rename();
    void remove();
    void exportSelected();
    void import();
    void run(const std::function<void()>& action);
    // The history of the selected configuration, newest first, and the choices of Compare.
    void showHistory();
    void compare();

    Session& m_session;
    Prompter& m_prompter;
    Trash& m_trash;
    ConfigurationArchives& m_archives;
    TitleBand* m_band = nullptr;
    QLabel* m_nameLabel = nullptr;
    QListWidget* m_configurationList = nullptr;
    QGroupBox* m_copyGroup = nullptr;
    QLabel* m_newNameLabel = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLabel* m_idOffsetLabel = nullptr;
    QLineEdit* m_idOffsetEdit = nullptr;
    QLabel* m_txIdOffsetLabel = nullptr;
    QLineEdit* m_txIdOffsetEdit = nullptr;
    QLabel* m_registerOffsetLabel = nullptr;
    QLineEdit* m_registerOffsetEdit = nullptr;
    QLabel* m_txRegisterOffsetLabel = nullptr;
    QLineEdit* m_txRegisterOffsetEdit = nullptr;
    QPushButton* m_duplicateButton = nullptr;
    QPushButton* m_renameButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QGroupBox* m_exchangeGroup = nullptr;
    QCheckBox* m_withImages = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_importButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    QGroupBox* m_historyGroup = nullptr;
    QListWidget* m_historyList = nullptr;
    QStringList m_historyFolders;   // the folder of each line of the history list
    QLabel* m_compareWithLabel = nullptr;
    QComboBox* m_compareWith = nullptr;
    QPushButton* m_compareButton = nullptr;
    QLabel* m_compareHeading = nullptr;
    QTableWidget* m_compareTable = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace px
