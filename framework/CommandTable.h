// The program's resources as data: the string table (status prompt and tool
// tip per command), the main menu, the accelerator table and the toolbar.
// Each command is described once here; the router, the menus and the toolbar
// are built from these tables.
#pragma once

#include "CommandIds.h"

#include <QKeyCombination>
#include <QString>

#include <vector>

struct CommandString {
    int id;
    const char* text;  // status prompt, "\n", tool tip
};

struct MenuItem {
    const char* popup;  // the top-level menu it belongs to
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
    int image;  // index into the 50 x 50 image strip; -1 for a separator
};

namespace commandtable {

const std::vector<CommandString>& Strings();
const std::vector<MenuItem>& Menu();
const std::vector<Accelerator>& Accelerators();
const std::vector<ToolbarItem>& Toolbar();

// The string of a command (empty when it has none); the MRU range shares one.
QString StringOf(int id);
// The two halves of a command's string.
QString PromptOf(int id);
QString ToolTipOf(int id);

// The document string of the single document type: title, document name,
// type name, filter name, filter extension, registry type id and name.
QString DocumentString(int field);
enum DocumentStringField {
    kWindowTitle = 0,
    kDocName = 1,
    kFileNewName = 2,
    kFilterName = 3,
    kFilterExt = 4,
    kRegFileTypeId = 5,
    kRegFileTypeName = 6,
};

// String 57344: the application's name.
QString AppName();

}  // namespace commandtable
