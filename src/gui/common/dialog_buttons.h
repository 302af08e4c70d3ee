#pragma once

#include <QDialog>
#include <QPushButton>

namespace px {

// A push button with the object name the tests find it by, which never takes Enter for
// itself: Enter stays with the window's default button or the focused one.
inline QPushButton* plainButton(QWidget* parent, const char* objectName)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setAutoDefault(false);
    return b;
}

// The OK and Cancel buttons of a dialog ("okButton", "cancelButton"): OK is the default button,
// so Enter confirms, and accepts; Cancel rejects. The caller places them and sets their texts.
struct OkCancelButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

inline OkCancelButtons okCancelButtons(QDialog* dialog)
{
    OkCancelButtons b;
    b.ok = new QPushButton(dialog);
    b.ok->setObjectName(QStringLiteral("okButton"));
    b.ok->setDefault(true);
    b.cancel = new QPushButton(dialog);
    b.cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(b.ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return b;
}

} // namespace px
