#pragma once

#include "core/services/prompter.h"

namespace px {

// Message boxes and the file-open dialog, over the window that is active at the time.
class QtPrompter final : public Prompter {
public:
    void error(const QString& text) override;
    void information(const QString& text) override;
    void report(Icon icon, const QString& text, const QString& details) override;
    bool yesNo(const QString& text) override;
    Answer yesNoCancel(const QString& text) override;
    QString openFile(const QString& folder, const QString& filter) override;
    QString saveFile(const QString& proposed, const QString& filter) override;
    std::optional<QString> askText(const QString& label, const QString& proposed) override;

    // "CSV File (*.csv)|*.csv" as Qt writes it: "CSV File (*.csv)".
    static QString toQtFilter(const QString& filter);
};

} // namespace px
