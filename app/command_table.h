#pragma once

#include <QKeySequence>
#include <QObject>

#include <functional>
#include <map>

class QAction;
class QWidget;

namespace mirelo {

// What an update rule sets on a command's menu item.
class CmdUI {
public:
    void Enable(bool on) { enabled_ = on; }
    void SetCheck(bool on) { checked_ = on ? 1 : 0; }

    bool Enabled() const { return enabled_; }
    int Checked() const { return checked_; }  // -1: the rule gives no check mark state

private:
    bool enabled_ = true;
    int checked_ = -1;
};

// One action per command number. Each command has at most one handler, bound by the
// class that owns it; a command with no handler is disabled. The update rules run
// before a menu shows and before a key's command runs, so a disabled command never runs.
class CommandTable : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using UpdateRule = std::function<void(CmdUI&)>;

    explicit CommandTable(QObject* parent = nullptr);

    // The command's action, made on first use with its prompt and tooltip; its data
    // is the command number.
    QAction* Action(int commandId);
    void SetHandler(int commandId, Handler handler, UpdateRule rule = {});
    // The keys are taken in the window whether or not the command can run.
    void AddAccelerator(QWidget* window, const QKeySequence& keys, int commandId);

    void UpdateStates();
    // Runs the command when its update rule allows it; true when it ran.
    bool Execute(int commandId);

private:
    struct Command {
        QAction* action = nullptr;
        Handler handler;
        UpdateRule rule;
    };

    bool UpdateState(Command& command);

    std::map<int, Command> commands_;
};

}  // namespace mirelo
