// Numeric command ids. The values are the program's own and stable: menu,
// accelerator, toolbar and string tables refer to commands by them.
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

    ID_VIEW_SHOW_INFO = 32771,
    ID_VIEW_ZOOM_IN = 32772,
    ID_FILE_FIRST = 32773,
    ID_FILE_PREVIOUS = 32774,
    ID_VIEW_FIT_WINDOW = 32775,
    ID_VIEW_REAL_SIZE = 32776,
    ID_FILE_NEXT = 32777,
    ID_VIEW_ZOOM_OUT = 32778,
    ID_FILE_LAST = 32779,
    ID_VIEW_FIT_WIDTH = 32780,

    // The six blank toolbar buttons under the banner: no string, no handler.
    ID_BLANK_FIRST = 32782,
    ID_BLANK_LAST = 32787,
};

// The resource id of the main menu, accelerators, toolbar and document string.
constexpr int IDR_MAINFRAME = 128;
constexpr int kRecentFileCount = 4;
