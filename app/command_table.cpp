#include "command_table.h"

#include <QAction>
#include <QShortcut>
#include <QWidget>

#include "app_strings.h"

namespace mirelo {

CommandTable::CommandTable(QObject* parent) : QObject(parent) {}

QAction* CommandTable::Action(int commandId) {
    Command& command = commands_[commandId];
    if (!command.action) {
        command.action = new QAction(this);
        command.action->setStatusTip(StatusPrompt(commandId));
        command.action->setToolTip(ToolTipText(commandId));
        command.action->setData(commandId);
        command.action->setEnabled(false);
        connect(command.action, &QAction::triggered, this, [this, commandId] { Execute(commandId); });
    }
    return command.action;
}

void CommandTable::SetHandler(int commandId, Handler handler, UpdateRule rule) {
    Action(commandId);
    Command& command = commands_[commandId];
    Q_ASSERT(!command.handler);
    command.handler = std::move(handler);
    command.rule = std::move(rule);
    UpdateState(command);
}

void CommandTable::AddAccelerator(QWidget* window, const QKeySequence& keys, int commandId) {
    Action(commandId);
    auto* shortcut = new QShortcut(keys, window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, commandId] { Execute(commandId); });
}

void CommandTable::UpdateStates() {
    for (auto& entry : commands_) UpdateState(entry.second);
}

bool CommandTable::UpdateState(Command& command) {
    CmdUI ui;
    ui.Enable(static_cast<bool>(command.handler));
    if (command.handler && command.rule) command.rule(ui);
    command.action->setEnabled(ui.Enabled());
    if (ui.Checked() >= 0) {
        command.action->setCheckable(true);
        command.action->setChecked(ui.Checked() == 1);
    }
    return ui.Enabled();
}

bool CommandTable::Execute(int commandId) {
    const auto found = commands_.find(commandId);
    if (found == commands_.end() || !UpdateState(found->second)) return false;
    // Copied: the handler may run a nested event loop in which the table changes.
    const Handler handler = found->second.handler;
    handler();
    UpdateStates();
    return true;
}

}  // namespace mirelo
