// Command routing: one QAction per command id, carrying its prompt, tool tip
// and handler. A command without a handler, or whose update handler says no,
// is disabled. Update handlers run whenever the event loop goes idle, before
// a menu opens and after every command.
//
// Every handler belongs to the object that set it, as a connection belongs
// to its receiver: when that object is destroyed, the router forgets its
// handlers and the command goes grey until someone else handles it.
//
// Keys are translated by the accelerator table before any widget of the main
// window sees them: a key of the table is always taken, and runs its command
// only when the command is enabled. Keypad entries match only keypad keys;
// the other entries match a key from either block (as the keypad's arrows
// with Num Lock off), with exactly the table's Ctrl, Shift and Alt.
#pragma once

#include "CommandTable.h"

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
    // table: the application's commands; their actions are made at once.
    explicit CommandRouter(CommandTable table = {}, QObject* parent = nullptr);
    ~CommandRouter() override;

    const CommandTable& Table() const { return m_table; }

    // The action of a command id, made on first use from the table.
    QAction* Action(int id);

    // What runs the command, whether it is enabled and whether it is
    // checked. Each replaces the one set before, whoever set it; all three
    // last as long as owner does.
    void SetHandler(QObject* owner, int id, std::function<void()> handler);
    void SetUpdateHandler(QObject* owner, int id, std::function<bool()> enabled);
    void SetCheckHandler(QObject* owner, int id, std::function<bool()> checked);

    // The same with a member function of the owner.
    template <typename Owner>
    void SetHandler(Owner* owner, int id, void (Owner::*method)())
    {
        SetHandler(owner, id, [owner, method] { (owner->*method)(); });
    }
    template <typename Owner>
    void SetUpdateHandler(Owner* owner, int id, bool (Owner::*method)() const)
    {
        SetUpdateHandler(owner, id, [owner, method] { return (owner->*method)(); });
    }

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
    int AcceleratorCommand(int key, Qt::KeyboardModifiers modifiers) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    // Recomputes enabled and checked states of every action.
    void UpdateCommandUI();

private:
    template <typename Result>
    struct Owned {
        QObject* owner = nullptr;
        std::function<Result()> function;
        explicit operator bool() const { return bool(function); }
    };
    struct Command {
        QAction* action = nullptr;
        Owned<void> handler;
        Owned<bool> enabled;
        Owned<bool> checked;
        bool grey = false;
    };
    Command& Entry(int id);
    static bool Enabled(const Command& command);
    void UpdateOne(Command& command);
    // Keeps track of owner so that its handlers go when it does.
    void Watch(QObject* owner);
    void Forget(QObject* owner);

    CommandTable m_table;
    std::map<int, Command> m_commands;
    std::map<QObject*, QMetaObject::Connection> m_owners;
    QPointer<QWidget> m_acceleratorWindow;
};
