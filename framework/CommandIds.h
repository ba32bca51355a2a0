// The standard command ids, those the framework itself handles or places
// (open, print, print setup, recent files, copy, exit, toolbar, About). The
// values are stable: menu, accelerator, toolbar and string tables refer to
// commands by them. An application numbers its own commands apart from
// these.
#pragma once

enum CommandId : int {
    ID_FILE_OPEN = 57601,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE2 = 57617,
    ID_FILE_MRU_FILE3 = 57618,
    ID_FILE_MRU_FILE4 = 57619,
    ID_FILE_MRU_LAST = 57631,  // the prompt string covers 57616 to 57631
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
};

constexpr int kRecentFileCount = 4;
