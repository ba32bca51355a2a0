#include "CommandRouter.h"

#include "CommandIds.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <map>

CommandRouter::CommandRouter(CommandTable table, QObject* parent) : QObject(parent), m_table(std::move(table))
{
    for (const CommandString& entry : m_table.strings)
        Action(entry.id);
    for (const MenuItem& item : m_table.menu) {
        if (item.id != 0)
            Action(item.id);
    }
    for (const Accelerator& accelerator : m_table.accelerators)
        Action(accelerator.id);
    for (const ToolbarItem& item : m_table.toolbar) {
        if (item.id != 0)
            Action(item.id);
    }
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CommandRouter::UpdateCommandUI);
}

CommandRouter::~CommandRouter()
{
    // The router may be an owner itself, or outlive none of its owners'
    // ends: nothing may tell it of an owner once it is going.
    for (auto& [owner, connection] : m_owners)
        disconnect(connection);
}

CommandRouter::Command& CommandRouter::Entry(int id)
{
    Command& command = m_commands[id];
    if (command.action != nullptr)
        return command;

    auto* action = new QAction(this);
    QString text = m_table.ToolTipOf(id);
    for (const MenuItem& item : m_table.menu) {
        if (item.id == id) {
            text = QString::fromUtf8(item.text);
            command.grey = item.grey;
        }
    }
    action->setText(text);
    action->setToolTip(m_table.ToolTipOf(id));
    action->setStatusTip(m_table.PromptOf(id));
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
    command.action = action;
    return command;
}

QAction* CommandRouter::Action(int id)
{
    return Entry(id).action;
}

void CommandRouter::SetHandler(QObject* owner, int id, std::function<void()> handler)
{
    Watch(owner);
    Command& command = Entry(id);
    command.handler = {owner, std::move(handler)};
    UpdateOne(command);
}

void CommandRouter::SetUpdateHandler(QObject* owner, int id, std::function<bool()> enabled)
{
    Watch(owner);
    Command& command = Entry(id);
    command.enabled = {owner, std::move(enabled)};
    UpdateOne(command);
}

void CommandRouter::SetCheckHandler(QObject* owner, int id, std::function<bool()> checked)
{
    Watch(owner);
    Command& command = Entry(id);
    command.checked = {owner, std::move(checked)};
    command.action->setCheckable(bool(command.checked));
    UpdateOne(command);
}

void CommandRouter::Watch(QObject* owner)
{
    if (m_owners.count(owner) != 0)
        return;
    // Told while the owner is still being destroyed, before anything could
    // run one of its handlers again.
    m_owners[owner] = connect(owner, &QObject::destroyed, this, [this, owner] { Forget(owner); });
}

void CommandRouter::Forget(QObject* owner)
{
    m_owners.erase(owner);
    // No handler runs from here: other owners may be on their way out too
    // (the application takes its windows with it). A command left without a
    // handler goes grey at once; the others are brought up to date when the
    // event loop next goes idle.
    for (auto& [id, command] : m_commands) {
        if (command.handler.owner == owner) {
            command.handler = {};
            command.action->setEnabled(false);
        }
        if (command.enabled.owner == owner)
            command.enabled = {};
        if (command.checked.owner == owner) {
            command.checked = {};
            command.action->setCheckable(false);
        }
    }
}

void CommandRouter::SetGrey(int id, bool grey)
{
    Command& command = Entry(id);
    command.grey = grey;
    UpdateOne(command);
}

bool CommandRouter::HasHandler(int id) const
{
    auto found = m_commands.find(id);
    return found != m_commands.end() && bool(found->second.handler);
}

bool CommandRouter::Enabled(const Command& command)
{
    return !command.grey && command.handler && (!command.enabled || command.enabled.function());
}

bool CommandRouter::IsEnabled(int id)
{
    return Enabled(Entry(id));
}

bool CommandRouter::Execute(int id)
{
    Command& command = Entry(id);
    // The state shown may be stale by an event; decide on the state now.
    UpdateOne(command);
    if (!command.action->isEnabled())
        return false;
    // Copy: a handler may replace its own registration (a new view).
    std::function<void()> handler = command.handler.function;
    handler();
    UpdateCommandUI();
    return true;
}

void CommandRouter::UpdateOne(Command& command)
{
    const bool enabled = Enabled(command);
    if (command.action->isEnabled() != enabled)
        command.action->setEnabled(enabled);
    if (command.checked) {
        const bool checked = command.checked.function();
        if (command.action->isChecked() != checked)
            command.action->setChecked(checked);
    }
}

void CommandRouter::UpdateCommandUI()
{
    for (auto& [id, command] : m_commands)
        UpdateOne(command);
}

void CommandRouter::BuildMenuBar(QMenuBar* bar)
{
    // Menus by their path ("View", "View/Frame Rate"), made when their first
    // item comes, so the table's order is the menus' order.
    std::map<QString, QMenu*> menus;
    const auto menuAt = [&](const QString& path) {
        QMenu*& menu = menus[path];
        if (menu == nullptr) {
            const qsizetype slash = path.indexOf(QLatin1Char('/'));
            if (slash < 0) {
                menu = bar->addMenu(path);
            } else {
                QMenu*& top = menus[path.left(slash)];
                if (top == nullptr)
                    top = bar->addMenu(path.left(slash));
                menu = top->addMenu(path.mid(slash + 1));
            }
            connect(menu, &QMenu::aboutToShow, this, &CommandRouter::UpdateCommandUI);
        }
        return menu;
    };
    for (const MenuItem& item : m_table.menu) {
        QMenu* popup = menuAt(QString::fromUtf8(item.popup));
        if (item.id == 0) {
            popup->addSeparator();
            continue;
        }
        popup->addAction(Action(item.id));
        // The recent-file entries follow their placeholder.
        if (item.id == ID_FILE_MRU_FILE1) {
            for (int id = ID_FILE_MRU_FILE2; id < ID_FILE_MRU_FILE1 + kRecentFileCount; ++id)
                popup->addAction(Action(id));
        }
    }
}

void CommandRouter::AttachAccelerators(QWidget* window)
{
    m_acceleratorWindow = window;
    QCoreApplication::instance()->installEventFilter(this);
}

int CommandRouter::AcceleratorCommand(int key, Qt::KeyboardModifiers modifiers) const
{
    const Qt::KeyboardModifiers exact = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier;
    for (const Accelerator& accelerator : m_table.accelerators) {
        if (accelerator.key.key() != key)
            continue;
        if ((accelerator.key.keyboardModifiers() & exact) != (modifiers & exact))
            continue;
        if ((accelerator.key.keyboardModifiers() & Qt::KeypadModifier) && !(modifiers & Qt::KeypadModifier))
            continue;
        return accelerator.id;
    }
    return 0;
}

bool CommandRouter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || m_acceleratorWindow == nullptr || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != m_acceleratorWindow)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int id = AcceleratorCommand(key->key(), key->modifiers());
    if (id == 0)
        return false;
    Execute(id);
    return true;
}
