#include "gui/common/qt_prompter.h"

#include "core/base/product.h"

#include <QApplication>
#include <QFileDialog>
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

} // namespace

void QtPrompter::error(const QString& text)
{
    QMessageBox::critical(ownerWindow(), product::kSoftwareCode, text, QMessageBox::Ok);
}

void QtPrompter::information(const QString& text)
{
    QMessageBox::information(ownerWindow(), product::kSoftwareCode, text, QMessageBox::Ok);
}

bool QtPrompter::yesNo(const QString& text)
{
    return QMessageBox::question(ownerWindow(), product::kSoftwareCode, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
        == QMessageBox::Yes;
}

Prompter::Answer QtPrompter::yesNoCancel(const QString& text)
{
    const auto r = QMessageBox::question(ownerWindow(), product::kSoftwareCode, text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
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

} // namespace px
