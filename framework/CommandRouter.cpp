#include "CommandRouter.h"

#include "CommandTable.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

CommandRouter::CommandRouter(QObject* parent) : QObject(parent)
{
    for (const CommandString& entry : commandtable::Strings())
        Action(entry.id);
    for (const MenuItem& item : commandtable::Menu()) {
        if (item.id != 0)
            Action(item.id);
    }
    for (const Accelerator& accelerator : commandtable::Accelerators())
        Action(accelerator.id);
    for (const ToolbarItem& item : commandtable::Toolbar()) {
        if (item.id != 0)
            Action(item.id);
    }
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CommandRouter::UpdateCommandUI);
}

CommandRouter::~CommandRouter() = default;

CommandRouter::Command& CommandRouter::Entry(int id)
{
    Command& command = m_commands[id];
    if (command.action != nullptr)
        return command;

    auto* action = new QAction(this);
    QString text = commandtable::ToolTipOf(id);
    for (const MenuItem& item : commandtable::Menu()) {
        if (item.id == id) {
            text = QString::fromUtf8(item.text);
            command.grey = item.grey;
        }
    }
    action->setText(text);
    action->setToolTip(commandtable::ToolTipOf(id));
    action->setStatusTip(commandtable::PromptOf(id));
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
    command.action = action;
    return command;
}

QAction* CommandRouter::Action(int id)
{
    return Entry(id).action;
}

void CommandRouter::SetHandler(int id, std::function<void()> handler)
{
    Command& command = Entry(id);
    command.handler = std::move(handler);
    UpdateOne(command);
}

void CommandRouter::SetUpdateHandler(int id, std::function<bool()> enabled)
{
    Command& command = Entry(id);
    command.enabled = std::move(enabled);
    UpdateOne(command);
}

void CommandRouter::SetCheckHandler(int id, std::function<bool()> checked)
{
    Command& command = Entry(id);
    command.checked = std::move(checked);
    command.action->setCheckable(bool(command.checked));
    UpdateOne(command);
}

void CommandRouter::RemoveHandlers(int id)
{
    Command& command = Entry(id);
    command.handler = nullptr;
    command.enabled = nullptr;
    command.checked = nullptr;
    command.action->setCheckable(false);
    UpdateOne(command);
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

bool CommandRouter::IsEnabled(int id)
{
    Command& command = Entry(id);
    return !command.grey && command.handler && (!command.enabled || command.enabled());
}

bool CommandRouter::Execute(int id)
{
    Command& command = Entry(id);
    // The state shown may be stale by an event; decide on the state now.
    UpdateOne(command);
    if (!command.action->isEnabled())
        return false;
    // Copy: a handler may replace its own registration (a new view).
    std::function<void()> handler = command.handler;
    handler();
    UpdateCommandUI();
    return true;
}

void CommandRouter::UpdateOne(Command& command)
{
    const bool enabled = !command.grey && command.handler && (!command.enabled || command.enabled());
    if (command.action->isEnabled() != enabled)
        command.action->setEnabled(enabled);
    if (command.checked) {
        const bool checked = command.checked();
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
    QMenu* popup = nullptr;
    QString popupTitle;
    for (const MenuItem& item : commandtable::Menu()) {
        const QString title = QString::fromUtf8(item.popup);
        if (popup == nullptr || title != popupTitle) {
            popup = bar->addMenu(title);
            popupTitle = title;
            connect(popup, &QMenu::aboutToShow, this, &CommandRouter::UpdateCommandUI);
        }
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

int CommandRouter::AcceleratorCommand(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers exact = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier;
    for (const Accelerator& accelerator : commandtable::Accelerators()) {
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
