#pragma once

#include "core/comm/settings_check.h"

#include <QDialog>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QUndoStack;

namespace px {

class Prompter;
class Session;
class TitleBand;
template <typename State>
class SnapshotHistory;

// Step 2, Set Communication: the general parameters of the active configuration in three
// foldable group boxes, with the rows of the chosen device generation. The window is laid
// out by Qt layouts: it takes the size its texts need in any language, and folding a box
// or changing the device shrinks or grows it.
class CommunicationSettingsDialog final : public QDialog {
    Q_OBJECT
public:
    CommunicationSettingsDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr);
    ~CommunicationSettingsDialog() override;

    // Puts the texts of the current language on every control.
    void applyLanguage();
    // Fills the controls from ParGen.xml. A file that does not parse throws px::Error
    // before any control is touched.
    void showSettings();
    // showSettings inside the general error report, then the modal loop. When the file
    // cannot be read the window does not open and false is returned; true when OK saved.
    bool execShow();

    // OK: check, write, close. Cancel, Escape and the close box ask first after a change.
    void accept() override;

    // Whether a value differs from what the last showing filled in.
    bool hasChanges() const { return m_changed; }

    // The values in the controls, as OK checks and writes them.
    GeneralParameters readControls() const;

    // Undo and redo of the changes of the fields: a typed field once its edit ends, a
    // list pick or a check box at once; each showing starts with none.
    QUndoStack* undoStack() const { return m_undoStack; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The three group boxes, each with its fold buttons.
    enum Box { DeviceBox, CanBox, SlaveBox, BoxCount };

    void cancel();
    void setExpanded(Box box, bool expanded);
    void arrange();
    void relayout();
    void placeFoldButtons(Box box);
    void updateLabelColumn();
    void rebuildBaudList();
    void markChanged();
    void onDeviceChange();
    void moveOnScreen();
    DeviceType selectedDevice() const;
    // Every field's value as shown (list positions, texts, check marks), and back.
    QStringList controlValues() const;
    void restoreControls(const QStringList& values);
    void recordChange();

    Session& m_session;
    Prompter& m_prompter;
    bool m_changed = false;
    bool m_filling = false;  // controls are being filled by the program, not by the user
    std::array<bool, BoxCount> m_expanded{true, true, true};  // lasts for the run

    TitleBand* m_band = nullptr;
    std::array<QGroupBox*, BoxCount> m_boxes{};
    std::array<QGridLayout*, BoxCount> m_grids{};
    std::array<QToolButton*, BoxCount> m_collapse{};
    std::array<QToolButton*, BoxCount> m_expand{};

    QComboBox* m_device = nullptr;

    QLabel* m_baudLabel = nullptr;
    QComboBox* m_baud = nullptr;
    QLabel* m_canTypeLabel = nullptr;
    QComboBox* m_canType = nullptr;
    QLabel* m_canTimeOutLabel = nullptr;
    QLineEdit* m_canTimeOut = nullptr;

    QLabel* m_ipLabel = nullptr;
    std::array<QLineEdit*, 4> m_ip{};
    QLabel* m_subnetLabel = nullptr;
    std::array<QLineEdit*, 4> m_subnet{};
    QCheckBox* m_gatewayEnabled = nullptr;
    std::array<QLineEdit*, 4> m_gateway{};
    QLabel* m_portLabel = nullptr;
    QLineEdit* m_port = nullptr;
    QCheckBox* m_fastBoot = nullptr;
    std::vector<QLabel*> m_dots;  // the "." between the address boxes, 3 per row

    std::array<QLineEdit*, 12> m_addressChain{};  // IP 1..4, mask 1..4, gateway 1..4

    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_redo = nullptr;

    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<SnapshotHistory<QStringList>> m_history;
    QStringList m_shownValues;  // the fields as the last showing filled them
};

} // namespace px
