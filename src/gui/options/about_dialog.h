#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace px {

class Browser;

// The About box: the configurator's name, software code, version and manual code, the
// home folder in use, with links to the maker's web site. Its texts are fixed English and
// take no part in a change of language.
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(Browser& browser, QWidget* parent = nullptr);

    // The home folder shown, where the settings, configurations, languages, firmware images
    // and updater programs are kept.
    void setHomeFolder(const QString& folder);

    void prepareShowing();
    bool execShow();
    void openWebSite();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Browser& m_browser;
    QLabel* m_makerLogo = nullptr;
    QLabel* m_descriptionLabel = nullptr;
    QLabel* m_softwareCodeLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_documentCodeLabel = nullptr;
    QLabel* m_webLink = nullptr;
    QLabel* m_homeCaption = nullptr;
    QLabel* m_homeFolderLabel = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace px
