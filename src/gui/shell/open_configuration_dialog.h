#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace px {

class Session;
class TitleBand;

// Step 1, Open Configuration: the folders found in PROJECTS, the active one preselected.
class OpenConfigurationDialog final : public QDialog {
    Q_OBJECT
public:
    explicit OpenConfigurationDialog(Session& session, QWidget* parent = nullptr);

    void applyLanguage();
    void prepareShowing();
    bool execShow();
    // OK: the chosen configuration becomes active; an empty choice leaves none active.
    void accept() override;

    // The configuration chosen; the one OK activates.
    const QString& chosenName() const { return m_chosenName; }

private:
    void configurationChosen();

    Session& m_session;
    QString m_chosenName;
    QStringList m_names;
    TitleBand* m_band = nullptr;
    QLabel* m_nameLabel = nullptr;
    QListWidget* m_configurationList = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace px
