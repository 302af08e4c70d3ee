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
class TFSoftOptions final : public QDialog {
    Q_OBJECT
public:
    struct Services {
        Prompter& prompter;
        Browser& browser;
        std::function<bool()> checkVersion;   // Check_Version
        std::function<void()> changeLanguage; // the main window's Change_Language
    };

    TFSoftOptions(Session& session, Services services, QWidget* parent = nullptr);

    void Set_Lang();
    void FormShow();
    bool execShow();
    void accept() override; // Btn_OKClick

    void Update_Lang_Page(int Num_Page);
    void LangClick(int slot); // slot 1 to 6
    void Btn_Check_UpdateClick();

    // The languages offered, by name: the built-in English first, then the language files.
    QStringList SL_Languages;
    int Show_Page = 1;
    QString Language_In_Use;

private:
    void Btn_NextClick(bool next);
    void Update_CheckBox();
    int pageCount() const;

    Session& m_session;
    Services m_services;
    QString m_checkLinkTarget;

    TitleBand* m_band = nullptr;
    QTabWidget* PC_Options = nullptr;
    QWidget* TS_Language = nullptr;
    QWidget* TS_Con_Options = nullptr;
    QWidget* TS_Soft_Settings = nullptr;
    QLabel* L_Sel_Lang = nullptr;
    QLabel* L_Page_Lang = nullptr;
    QLabel* I_L[6] = {};
    QLabel* L_L[6] = {};
    QPushButton* Btn_Prev = nullptr;
    QPushButton* Btn_Next = nullptr;
    QCheckBox* CB_En_Con = nullptr;
    QCheckBox* CB_Update = nullptr;
    QPushButton* Btn_Check_Update = nullptr;
    QLabel* LL_Check_Update = nullptr;
    QCheckBox* CB_Soft_Set_Jump_Table = nullptr;
    QCheckBox* CB_DoubleClick_Auto_Size = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace px
