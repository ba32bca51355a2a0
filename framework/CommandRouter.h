// Command routing: one QAction per command id, carrying its prompt and tool
// tip, its accelerator keys and its handler. A command without a handler, or
// whose update handler says no, is disabled, and a disabled command's key
// does nothing. Update handlers run whenever the event loop goes idle,
// before a menu opens and after every command.
#pragma once

#include <QObject>

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
    // Adds every command's action to window, so that their keys work there.
    void AttachShortcuts(QWidget* window);

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
};
