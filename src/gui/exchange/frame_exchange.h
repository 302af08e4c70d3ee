#pragma once

#include "core/frames/frame_list.h"

#include <QWidget>

class QPushButton;

namespace px {

class Prompter;
class Session;

// The CAN database buttons of a frame editor: Import... (handled by the editor, which owns
// the table, through importIntoFrameList) and Export DBC..., which writes the configuration
// as saved into <configuration>.dbc in its folder.
class FrameExchangeBar final : public QWidget {
    Q_OBJECT
public:
    FrameExchangeBar(bool receive, Session& session, Prompter& prompter, QWidget* parent = nullptr);

    void exportDbc();

Q_SIGNALS:
    void importRequested();

protected:
    // Enter presses the focused button, as on the editor's own buttons.
    void keyPressEvent(QKeyEvent* event) override;

private:
    Session& m_session;
    Prompter& m_prompter;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_exportButton = nullptr;
};

// The file filters of Import...: the receive lists take a database or a capture, the
// transmit lists a database.
QString importFileFilter(bool receive);

// Import... of a frame editor. The editor's rows must pass the editor's own check first (its
// message is shown otherwise); then the user picks a file and, in the picker, the frames.
// The frame list as the editor holds it, with the chosen frames after its last frame, and
// the register mapping of the same direction with the new entries are written together;
// the rows are then reloaded from the file. Nothing is written when the user cancels, the
// import would not fit, or anything fails (shown as an error). `loadIncomplete`: the
// frame file could not be read whole at the last showing; it is kept as a backup first,
// as OK does. Returns true when the files were written.
bool importIntoFrameList(FrameList& list, const CanSettings& canSettings, bool loadIncomplete, Session& session,
                         Prompter& prompter, QWidget* parent);

} // namespace px
