#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace px {

class Browser;

// The About box: the configurator's name, software code, version and manual code, with
// links to the maker's web site. Its texts are fixed English and take no part in a change
// of language.
class TFAbout final : public QDialog {
    Q_OBJECT
public:
    explicit TFAbout(Browser& browser, QWidget* parent = nullptr);

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
    QPushButton* LbButton1 = nullptr;
};

} // namespace px
