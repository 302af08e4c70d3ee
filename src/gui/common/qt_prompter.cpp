#include "gui/common/qt_prompter.h"

#include "core/base/product.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QWidget>

namespace px {
namespace {

QWidget* ownerWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

// One message box, its text shown as it stands: file and configuration names may hold
// angle brackets, which must not be read as markup.
int ask(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, product::kSoftwareCode, text, buttons, ownerWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void QtPrompter::error(const QString& text)
{
    ask(QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompter::information(const QString& text)
{
    ask(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompter::report(Icon icon, const QString& text, const QString& details)
{
    const QMessageBox::Icon shown = icon == Icon::Information ? QMessageBox::Information
        : icon == Icon::Warning                               ? QMessageBox::Warning
                                                              : QMessageBox::Critical;
    QMessageBox box(shown, product::kSoftwareCode, text, QMessageBox::Ok, ownerWindow());
    box.setObjectName(QStringLiteral("reportBox"));
    box.setTextFormat(Qt::PlainText);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

bool QtPrompter::yesNo(const QString& text)
{
    return ask(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

Prompter::Answer QtPrompter::yesNoCancel(const QString& text)
{
    const auto r = ask(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                       QMessageBox::Cancel);
    if (r == QMessageBox::Yes)
        return Answer::Yes;
    if (r == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

QString QtPrompter::toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i];
        const QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (description.contains(u'(') || pattern.isEmpty())
            out << description;
        else
            out << QStringLiteral("%1 (%2)").arg(description, QString(pattern).replace(u';', u' '));
    }
    return out.join(QStringLiteral(";;"));
}

QString QtPrompter::openFile(const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(ownerWindow(), QString(), folder, toQtFilter(filter));
}

QString QtPrompter::saveFile(const QString& proposed, const QString& filter)
{
    return QFileDialog::getSaveFileName(ownerWindow(), QString(), proposed, toQtFilter(filter));
}

std::optional<QString> QtPrompter::askText(const QString& label, const QString& proposed)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(ownerWindow(), product::kSoftwareCode, label, QLineEdit::Normal, proposed, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

} // namespace px
