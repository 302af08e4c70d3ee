#pragma once

#include <QString>

#include <optional>

namespace px {

// Everything that waits for the user's answer to a message or a file choice.
class Prompter {
public:
    enum class Answer { Yes, No, Cancel };
    enum class Icon { Information, Warning, Error };

    virtual ~Prompter() = default;
    // An error box with an error icon and an OK button.
    virtual void error(const QString& text) = 0;
    // An information box with an OK button.
    virtual void information(const QString& text) = 0;
    // A message box with its icon and an OK button; `details`, when not empty, can be
    // unfolded under the text (what an external program printed, for one). Without a
    // box of its own, a warning is shown as an error.
    virtual void report(Icon icon, const QString& text, const QString& details)
    {
        (void)details;
        if (icon == Icon::Information)
            information(text);
        else
            error(text);
    }
    // A confirmation with Yes and No; true for Yes.
    virtual bool yesNo(const QString& text) = 0;
    // A confirmation with Yes, No and Cancel.
    virtual Answer yesNoCancel(const QString& text) = 0;
    // A file-open dialog starting in `folder`. `filter` is written as description|pattern
    // pairs ("CSV File (*.csv)|*.csv"). An empty result means the user cancelled.
    virtual QString openFile(const QString& folder, const QString& filter) = 0;
    // A file-save dialog starting at `proposed` (a folder and a file name), with a filter as
    // above; it asks before replacing a file. An empty result means the user cancelled.
    virtual QString saveFile(const QString& proposed, const QString& filter) = 0;
    // A one-line text the user types or confirms, proposed as `proposed`, under the
    // question `label`. Nothing when the user cancelled.
    virtual std::optional<QString> askText(const QString& label, const QString& proposed) = 0;
};

} // namespace px
