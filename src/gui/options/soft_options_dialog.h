#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace px {

class Browser;
class Prompter;
class Session;
class TitleBand;

// Software options: the interface language, the internet options and, on a page whose
// tab stays hidden, the two table options.
class SoftwareOptionsDialog final : public QDialog {
    Q_OBJECT
public:
    struct Services {
        Prompter& prompter;
        Browser& browser;
        std::function<bool()> checkVersion;   // true when a newer version is offered
        std::function<void()> changeLanguage; // the main window puts every window into the new language
    };

    SoftwareOptionsDialog(Session& session, Services services, QWidget* parent = nullptr);

    // Copies the texts of the current language into the controls.
    void applyLanguage();
    // The settings' choices and the first language page, for a new showing.
    void prepareShowing();
    bool execShow();
    // OK: the choices go into the settings.
    void accept() override;

    void showLanguagePage(int page);
    void chooseLanguage(int slot); // slot 1 to 6
    void checkForUpdate();

    // The languages offered, by name: the built-in English first, then the language files.
    QStringList offeredLanguages;
    int shownPage = 1;
    QString languageInUse;

private:
    void turnLanguagePage(bool next);
    void updateConnectionOptions();
    int pageCount() const;

    Session& m_session;
    Services m_services;
    QString m_checkLinkTarget;

    TitleBand* m_band = nullptr;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_languageTab = nullptr;
    QWidget* m_connectionTab = nullptr;
    QWidget* m_tableOptionsTab = nullptr;
    QLabel* m_selectedLanguage = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_flags[6] = {};
    QLabel* m_languageNames[6] = {};
    QPushButton* m_previousPage = nullptr;
    QPushButton* m_nextPage = nullptr;
    QCheckBox* m_enableInternet = nullptr;
    QCheckBox* m_checkAtStart = nullptr;
    QPushButton* m_checkNow = nullptr;
    QLabel* m_checkResult = nullptr;
    QCheckBox* m_enterMovesToNextField = nullptr;
    QCheckBox* m_autoSizeColumns = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace px
