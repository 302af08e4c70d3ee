#pragma once

class QBoxLayout;
class QCheckBox;
class QFont;
class QLabel;
class QPushButton;
class QWidget;

namespace px {

// The operations page that both update dialogs share: what is written into the device and
// what is read back after writing. All four are chosen when the page is built, at
// program start, and the choice then lasts for the run.
struct UpdateOperationsPage {
    QWidget* page = nullptr;
    QLabel* title = nullptr;
    QCheckBox* writeFirmware = nullptr;
    QCheckBox* readFirmwareBack = nullptr;
    QCheckBox* writeConfiguration = nullptr;
    QCheckBox* readConfigurationBack = nullptr;

    static UpdateOperationsPage build(QWidget* parent, const QFont& titleFont);
};

// The button band at the foot of both update dialogs: Cancel, Next and the update itself.
struct UpdateButtons {
    QPushButton* cancel = nullptr;
    QPushButton* next = nullptr;
    QPushButton* update = nullptr;

    static UpdateButtons build(QWidget* dialog, QBoxLayout* into);
};

} // namespace px
