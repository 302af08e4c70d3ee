#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace px {

class Browser;

// The About box: the configurator's name, software code, version and manual code, the
// home folder in use, with links to the maker's web site. Its texts are fixed English and
// take no part in a change of language.
class TFAbout final : public QDialog {
    Q_OBJECT
public:
    explicit TFAbout(Browser& browser, QWidget* parent = nullptr);

    // The home folder shown, where the settings, configurations, languages, firmware images
    // and updater programs are kept.
    void setHomeFolder(const QString& folder);

    void FormShow();
    bool execShow();
    void Label4Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Browser& m_browser;
    QLabel* Image2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* L_Home_Caption = nullptr;
    QLabel* L_Home_Folder = nullptr;
    QPushButton* LbButton1 = nullptr;
};

} // namespace px
