// An application's resources as data, handed to the framework when the
// application object is made: its name, its document string, the string
// table (status prompt and tool tip per command), the main menu, the
// accelerator table and the toolbar. Each command is described once in the
// application's table; the router, the menus and the toolbar are built from
// it.
#pragma once

#include <QKeyCombination>
#include <QString>

#include <vector>

struct CommandString {
    int id;
    const char* text;  // status prompt, "\n", tool tip
};

struct MenuItem {
    // The menu it belongs to: a top-level menu's title, or "Top/Sub" for a
    // submenu of a top-level menu, placed where its first item comes.
    const char* popup;
    const char* text;   // item text; "\t" separates a shortcut text shown at the right
    int id;             // 0: separator
    bool grey;          // shown disabled whatever the command's state
};

struct Accelerator {
    QKeyCombination key;
    int id;
};

struct ToolbarItem {
    int id;     // 0: separator
    int image;  // index into the toolbar's image strip; -1 for a separator
};

struct CommandTable {
    // The application's name: message box titles and the settings that keep
    // the recent-file list.
    QString appName;
    // The single document type's fields, separated by "\n": window title,
    // document name, type name, filter name, filter extension, registry
    // type id and name.
    QString documentString;
    std::vector<CommandString> strings;
    std::vector<MenuItem> menu;
    std::vector<Accelerator> accelerators;
    std::vector<ToolbarItem> toolbar;

    enum DocumentStringField {
        kWindowTitle = 0,
        kDocName = 1,
        kFileNewName = 2,
        kFilterName = 3,
        kFilterExt = 4,
        kRegFileTypeId = 5,
        kRegFileTypeName = 6,
    };
    // One field of the document string; empty when there is no such field.
    QString DocumentString(int field) const;

    // The string of a command (empty when it has none); the recent-file
    // range shares one.
    QString StringOf(int id) const;
    // The two halves of a command's string.
    QString PromptOf(int id) const;
    QString ToolTipOf(int id) const;
};
