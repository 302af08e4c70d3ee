#include "gui/check/finding_target.h"

#include "core/check/check.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

#include <QApplication>
#include <QListWidget>
#include <QStyle>

namespace px {

using config::ConfigFile;
using config::Direction;

EditorTarget editorTargetFor(const check::Finding& finding, const config::Configuration& config, int deviceQuery)
{
    const bool dipSwitch = deviceQuery == 1;
    switch (finding.file) {
    case ConfigFile::GeneralParameters: return {Window::CommunicationSettings, 0};
    case ConfigFile::ReceiveFrames:
        return {dipSwitch ? Window::ReceiveFramesDip : Window::ReceiveFramesJumper, finding.row};
    case ConfigFile::TransmitFrames:
        return {dipSwitch ? Window::TransmitFramesDip : Window::TransmitFramesJumper, finding.row};
    case ConfigFile::ReceiveMappings:
        return {Window::ReceiveMapping, check::mappingEditorRow(config, Direction::Receive, finding.row)};
    case ConfigFile::TransmitMappings:
        return {Window::TransmitMapping, check::mappingEditorRow(config, Direction::Transmit, finding.row)};
    }
    return {};
}

void fillFindingsList(QListWidget* list, const std::vector<check::Finding>& findings, const MessageTable& messages)
{
    list->clear();
    const QIcon error = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warning = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const check::Finding& f : findings) {
        auto* item = new QListWidgetItem(f.isError() ? error : warning, check::findingListText(f, messages), list);
        item->setToolTip(QStringLiteral("%1 %2").arg(messages[f.isError() ? msg::kError : msg::kWarning], f.code));
        item->setData(Qt::UserRole, f.code);
    }
}

} // namespace px
