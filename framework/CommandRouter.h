// Command routing: one QAction per command id, carrying its prompt, tool tip
// and handler. A command without a handler, or whose update handler says no,
// is disabled. Update handlers run whenever the event loop goes idle, before
// a menu opens and after every command.
//
// Keys are translated by the accelerator table before any widget of the main
// window sees them: a key of the table is always taken, and runs its command
// only when the command is enabled. Keypad entries match only keypad keys;
// the other entries match a key from either block (as the keypad's arrows
// with Num Lock off), with exactly the table's Ctrl, Shift and Alt.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

class QAction;
class QMenuBar;
class QWidget;

class CommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CommandRouter(QObject* parent = nullptr);
    ~CommandRouter() override;

    // The action of a command id, made on first use from the resource tables.
    QAction* Action(int id);

    void SetHandler(int id, std::function<void()> handler);
    void SetUpdateHandler(int id, std::function<bool()> enabled);
    void SetCheckHandler(int id, std::function<bool()> checked);
    void RemoveHandlers(int id);
    // Forces a command off (the grey menu items), whatever its handlers say.
    void SetGrey(int id, bool grey);

    bool HasHandler(int id) const;
    bool IsEnabled(int id);

    // Runs a command as a menu item, button or key would: only when enabled.
    // Returns whether it ran.
    bool Execute(int id);

    // Builds the menu bar from the menu table.
    void BuildMenuBar(QMenuBar* bar);
    // Translates the accelerator table's keys for window and its children.
    void AttachAccelerators(QWidget* window);

    // The command an accelerator key runs, or 0.
    static int AcceleratorCommand(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    // Recomputes enabled and checked states of every action.
    void UpdateCommandUI();

private:
    struct Command {
        QAction* action = nullptr;
        std::function<void()> handler;
        std::function<bool()> enabled;
        std::function<bool()> checked;
        bool grey = false;
    };
    Command& Entry(int id);
    void UpdateOne(Command& command);

    std::map<int, Command> m_commands;
    QPointer<QWidget> m_acceleratorWindow;
};
