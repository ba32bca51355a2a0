#include "AppCommandTable.h"

#include "AppCommandIds.h"
#include "CommandIds.h"
#include "RLA.h"

namespace appcommands {

namespace {

CommandTable MakeTable()
{
    CommandTable table;
    table.appName = QStringLiteral("Brimwell");
    table.documentString =
        QStringLiteral("Brimwell\n\nBrimwe\nBrimwe Files (*.rpf)\n.rpf\nBrimwell.Document\nBrimwe Document");
    table.strings = {
        {ID_FILE_OPEN, "Open an existing document\nOpen"},
        {ID_FILE_PRINT, "Print the active document\nPrint"},
        {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
        {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
        {ID_FILE_MRU_FILE1, "Open this document"},
        {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
        {ID_EDIT_UNDO, "Undo the last action\nUndo"},
        {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
        {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
        {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
        {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
        {ID_VIEW_SHOW_INFO, "Show info\nShow info (Ctrl I)"},
        {ID_VIEW_ZOOM_IN, "Zoom in\nZoom in (Ctrl +)"},
        {ID_VIEW_ZOOM_OUT, "Zoom out\nZoom out (Ctrl -)"},
        {ID_VIEW_FIT_WINDOW, "Fit in window\nFit in window (Ctrl 0)"},
        {ID_VIEW_REAL_SIZE, "View real size\nView real size (Ctrl 1)"},
        {ID_VIEW_FIT_WIDTH, "Fit width\nFit width"},
        {ID_FILE_PREVIOUS, "Previous file\nPrevious file (left)"},
        {ID_FILE_NEXT, "Next file\nNext file (right)"},
        {ID_VIEW_FULL_SCREEN, "Show the picture on the whole screen\nFull screen (F11)"},
        {ID_VIEW_LEAVE_FULL_SCREEN, "Leave full screen\nLeave full screen (Esc)"},
        {ID_VIEW_PAGE_UP, "Scroll up by a window's height\nPage up"},
        {ID_VIEW_PAGE_DOWN, "Scroll down by a window's height\nPage down"},
        {ID_VIEW_SCROLL_TOP, "Scroll to the top of the picture\nTop"},
        {ID_VIEW_SCROLL_BOTTOM, "Scroll to the bottom of the picture\nBottom"},
        {ID_VIEW_SCROLL_LEFT_EDGE, "Scroll to the left edge of the picture\nLeft edge"},
        {ID_VIEW_SCROLL_RIGHT_EDGE, "Scroll to the right edge of the picture\nRight edge"},
        {ID_FILE_RELOAD, "Read the file shown again from disk\nReload (F5)"},
        {ID_FILE_FOLLOW,
         "Reload the file shown when it changes on disk, and list new files of its folder\nFollow changes on disk"},
        {ID_FILE_EXPORT, "Save the view shown as PNG or the whole file as OpenEXR\nExport (Ctrl E)"},
        {ID_VIEW_PLAY, "Play the frames of the folder in order, looping; again to stop\nPlay (Space)"},
        {ID_VIEW_RATE_FIRST + 0, "Play 12 frames per second\n12 fps"},
        {ID_VIEW_RATE_FIRST + 1, "Play 24 frames per second\n24 fps"},
        {ID_VIEW_RATE_FIRST + 2, "Play 25 frames per second\n25 fps"},
        {ID_VIEW_RATE_FIRST + 3, "Play 30 frames per second\n30 fps"},
        {ID_VIEW_RATE_FIRST + 4, "Play 60 frames per second\n60 fps"},
        {ID_VIEW_KEEP_TIME,
         "While playing, drop the frames that cannot be shown in time rather than show them late\nKeep time"},
        {ID_VIEW_FIT_BIG_ON_OPEN,
         "Open pictures bigger than the window fitted in it, rather than at real size\nFit big pictures on open"},
        {ID_CHANNEL_COLOUR, "Show the colour picture\nColour (1)"},
        {ID_CHANNEL_ALPHA, "Show the alpha channel in grey\nAlpha (A)"},
        {ID_CHANNEL_FIRST + kChannelZ, "Show Z depth: near black, far white\nZ depth (Z)"},
        {ID_CHANNEL_FIRST + kChannelE, "Show channel E\nChannel E (E)"},
        {ID_CHANNEL_FIRST + kChannelO, "Show the object IDs, one colour each\nObject ID (O)"},
        {ID_CHANNEL_FIRST + kChannelU, "Show the UV coordinates as a colour wheel\nUV coordinates (U)"},
        {ID_CHANNEL_FIRST + kChannelN, "Show the normals\nNormals (N)"},
        {ID_CHANNEL_FIRST + kChannelR, "Show channel R\nChannel R (R)"},
        {ID_CHANNEL_FIRST + kChannelC, "Show the coverage in grey\nCoverage (C)"},
        {ID_CHANNEL_FIRST + kChannelB, "Show channel B\nChannel B (B)"},
        {ID_CHANNEL_FIRST + kChannelI, "Show the node render IDs, one colour each\nNode render ID (I)"},
        {ID_CHANNEL_FIRST + kChannelG, "Show channel G\nChannel G (G)"},
        {ID_CHANNEL_FIRST + kChannelT, "Show channel T\nChannel T (T)"},
        {ID_CHANNEL_FIRST + kChannelV, "Show the velocity as a colour wheel\nVelocity (V)"},
        {ID_CHANNEL_FIRST + kChannelW, "Show channel W\nChannel W (W)"},
        {ID_CHANNEL_FIRST + kChannelM, "Show channel M, one colour per value\nChannel M (M)"},
        {ID_DEPTH_RANGE_FULL, "Z depth from the frame's nearest to its farthest depth\nFull range"},
        {ID_DEPTH_RANGE_AUTO,
         "Z depth from the 1st to the 99th percentile of the frame's depths, the rest clamped\nAuto range"},
        {ID_DEPTH_RANGE_TYPED, "Z depth between a near and a far depth you type\nNear and far"},
        {ID_DEPTH_INVERT, "Z depth with near white and far black\nInvert"},
        {ID_DEPTH_LOGARITHMIC, "Z depth by the logarithm of the distance\nLogarithmic"},
        {ID_DEPTH_RANGE_SWITCH, "Switch the Z depth range between full and auto\nFull or auto (Shift Z)"},
        {ID_VELOCITY_SCALE_LARGEST, "Velocity at full brightness at the frame's largest length\nLargest"},
        {ID_VELOCITY_SCALE_AUTO,
         "Velocity at full brightness at the 99th percentile of the moving pixels' lengths\nAuto"},
        {ID_VELOCITY_SCALE_TYPED, "Velocity at full brightness at a length you type\nLength"},
        {ID_UV_SCALE_LARGEST, "UV coordinates at full brightness at the frame's largest length\nLargest"},
        {ID_UV_SCALE_AUTO, "UV coordinates at full brightness at the 99th percentile of their non-zero lengths\nAuto"},
        {ID_UV_SCALE_TYPED, "UV coordinates at full brightness at a length you type\nLength"},
    };
    table.menu = {
        {"&File", "&Open...\tCtrl+O", ID_FILE_OPEN, false},
        {"&File", "Re&load\tF5", ID_FILE_RELOAD, false},
        {"&File", "Follow Changes on Disk", ID_FILE_FOLLOW, false},
        {"&File", "&Export...\tCtrl+E", ID_FILE_EXPORT, false},
        {"&File", nullptr, 0, false},
        {"&File", "&Print...\tCtrl+P", ID_FILE_PRINT, false},
        {"&File", "Print Pre&view", ID_FILE_PRINT_PREVIEW, false},
        {"&File", "P&rint Setup...", ID_FILE_PRINT_SETUP, false},
        {"&File", nullptr, 0, false},
        {"&File", "Recent File", ID_FILE_MRU_FILE1, true},
        {"&File", nullptr, 0, false},
        {"&File", "E&xit", ID_APP_EXIT, false},
        {"&Edit", "&Undo\tCtrl+Z", ID_EDIT_UNDO, true},
        {"&Edit", nullptr, 0, false},
        {"&Edit", "Cu&t\tCtrl+X", ID_EDIT_CUT, true},
        {"&Edit", "&Copy\tCtrl+C", ID_EDIT_COPY, false},
        {"&Edit", "&Paste\tCtrl+V", ID_EDIT_PASTE, true},
        {"&View", "&Toolbar", ID_VIEW_TOOLBAR, false},
        {"&View", "&Full Screen\tF11", ID_VIEW_FULL_SCREEN, false},
        {"&View", "Fit Big Pictures on Open", ID_VIEW_FIT_BIG_ON_OPEN, false},
        {"&View", nullptr, 0, false},
        {"&View", "&Play\tSpace", ID_VIEW_PLAY, false},
        {"&View/Frame &Rate", "12 fps", ID_VIEW_RATE_FIRST + 0, false},
        {"&View/Frame &Rate", "24 fps", ID_VIEW_RATE_FIRST + 1, false},
        {"&View/Frame &Rate", "25 fps", ID_VIEW_RATE_FIRST + 2, false},
        {"&View/Frame &Rate", "30 fps", ID_VIEW_RATE_FIRST + 3, false},
        {"&View/Frame &Rate", "60 fps", ID_VIEW_RATE_FIRST + 4, false},
        {"&View", "&Keep Time", ID_VIEW_KEEP_TIME, false},
        // The channel keys are plain letters, so the items carry no
        // underlined letters of their own.
        {"&Channel", "Colour\t1", ID_CHANNEL_COLOUR, false},
        {"&Channel", "Alpha\tA", ID_CHANNEL_ALPHA, false},
        {"&Channel", nullptr, 0, false},
        {"&Channel", "Z depth\tZ", ID_CHANNEL_FIRST + kChannelZ, false},
        {"&Channel", "Channel E\tE", ID_CHANNEL_FIRST + kChannelE, false},
        {"&Channel", "Object ID\tO", ID_CHANNEL_FIRST + kChannelO, false},
        {"&Channel", "UV coordinates\tU", ID_CHANNEL_FIRST + kChannelU, false},
        {"&Channel", "Normals\tN", ID_CHANNEL_FIRST + kChannelN, false},
        {"&Channel", "Channel R\tR", ID_CHANNEL_FIRST + kChannelR, false},
        {"&Channel", "Coverage\tC", ID_CHANNEL_FIRST + kChannelC, false},
        {"&Channel", "Channel B\tB", ID_CHANNEL_FIRST + kChannelB, false},
        {"&Channel", "Node render ID\tI", ID_CHANNEL_FIRST + kChannelI, false},
        {"&Channel", "Channel G\tG", ID_CHANNEL_FIRST + kChannelG, false},
        {"&Channel", "Channel T\tT", ID_CHANNEL_FIRST + kChannelT, false},
        {"&Channel", "Velocity\tV", ID_CHANNEL_FIRST + kChannelV, false},
        {"&Channel", "Channel W\tW", ID_CHANNEL_FIRST + kChannelW, false},
        {"&Channel", "Channel M\tM", ID_CHANNEL_FIRST + kChannelM, false},
        {"&Channel", nullptr, 0, false},
        {"&Channel/&Depth Range", "&Full", ID_DEPTH_RANGE_FULL, false},
        {"&Channel/&Depth Range", "&Auto (1st to 99th Percentile)", ID_DEPTH_RANGE_AUTO, false},
        {"&Channel/&Depth Range", "&Near and Far...", ID_DEPTH_RANGE_TYPED, false},
        {"&Channel/&Depth Range", nullptr, 0, false},
        {"&Channel/&Depth Range", "Full or Auto\tShift+Z", ID_DEPTH_RANGE_SWITCH, false},
        {"&Channel/&Depth Range", nullptr, 0, false},
        {"&Channel/&Depth Range", "&Invert", ID_DEPTH_INVERT, false},
        {"&Channel/&Depth Range", "&Logarithmic", ID_DEPTH_LOGARITHMIC, false},
        {"&Channel/&Velocity Scale", "&Largest", ID_VELOCITY_SCALE_LARGEST, false},
        {"&Channel/&Velocity Scale", "&Auto (99th Percentile)", ID_VELOCITY_SCALE_AUTO, false},
        {"&Channel/&Velocity Scale", "L&ength...", ID_VELOCITY_SCALE_TYPED, false},
        {"&Channel/&UV Scale", "&Largest", ID_UV_SCALE_LARGEST, false},
        {"&Channel/&UV Scale", "&Auto (99th Percentile)", ID_UV_SCALE_AUTO, false},
        {"&Channel/&UV Scale", "L&ength...", ID_UV_SCALE_TYPED, false},
        {"&Help", "&About Brimwell...", ID_APP_ABOUT, false},
    };
    // Keypad keys carry the keypad modifier, so Ctrl + keypad 0 is a
    // different key from the main keyboard's Ctrl + 0.
    table.accelerators = {
        {QKeyCombination(Qt::ControlModifier, Qt::Key_C), ID_EDIT_COPY},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_I), ID_VIEW_SHOW_INFO},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_O), ID_FILE_OPEN},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_P), ID_FILE_PRINT},
        {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus), ID_VIEW_ZOOM_IN},
        {QKeyCombination(Qt::Key_Down), ID_FILE_FIRST},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Insert), ID_EDIT_COPY},
        {QKeyCombination(Qt::Key_Left), ID_FILE_PREVIOUS},
        {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_0), ID_VIEW_FIT_WINDOW},
        {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_1), ID_VIEW_REAL_SIZE},
        {QKeyCombination(Qt::Key_Right), ID_FILE_NEXT},
        {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus), ID_VIEW_ZOOM_OUT},
        {QKeyCombination(Qt::Key_Up), ID_FILE_LAST},
        // The zoom keys of the main keyboard, for keyboards without a keypad.
        // Plus needs Shift on many layouts, where the key itself is "=".
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Plus), ID_VIEW_ZOOM_IN},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Plus), ID_VIEW_ZOOM_IN},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Equal), ID_VIEW_ZOOM_IN},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Equal), ID_VIEW_ZOOM_IN},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Minus), ID_VIEW_ZOOM_OUT},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_0), ID_VIEW_FIT_WINDOW},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_1), ID_VIEW_REAL_SIZE},
        {QKeyCombination(Qt::Key_F11), ID_VIEW_FULL_SCREEN},
        {QKeyCombination(Qt::Key_Escape), ID_VIEW_LEAVE_FULL_SCREEN},
        {QKeyCombination(Qt::Key_PageUp), ID_VIEW_PAGE_UP},
        {QKeyCombination(Qt::Key_PageDown), ID_VIEW_PAGE_DOWN},
        {QKeyCombination(Qt::Key_Home), ID_VIEW_SCROLL_TOP},
        {QKeyCombination(Qt::Key_End), ID_VIEW_SCROLL_BOTTOM},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Home), ID_VIEW_SCROLL_LEFT_EDGE},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_End), ID_VIEW_SCROLL_RIGHT_EDGE},
        {QKeyCombination(Qt::Key_F5), ID_FILE_RELOAD},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_E), ID_FILE_EXPORT},
        {QKeyCombination(Qt::Key_Space), ID_VIEW_PLAY},
        {QKeyCombination(Qt::Key_1), ID_CHANNEL_COLOUR},
        {QKeyCombination(Qt::Key_A), ID_CHANNEL_ALPHA},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_Z), ID_DEPTH_RANGE_SWITCH},
    };
    // Each render channel by its letter, no modifier.
    for (int bit = 0; bit < kChannelCount; ++bit)
        table.accelerators.push_back({QKeyCombination(Qt::Key(Qt::Key_A + (kChannelLetters[bit] - 'A'))),
                                      ID_CHANNEL_FIRST + bit});
    // The images are indices into the 50 x 50 toolbar strip.
    table.toolbar = {
        {ID_FILE_PREVIOUS, 0}, {ID_FILE_NEXT, 1},       {0, -1},
        {ID_FILE_OPEN, 2},     {0, -1},                 {ID_FILE_PRINT, 3},
        {0, -1},               {ID_VIEW_FIT_WINDOW, 4}, {ID_VIEW_FIT_WIDTH, 5},
        {ID_VIEW_REAL_SIZE, 6}, {0, -1},                {ID_VIEW_ZOOM_IN, 7},
        {ID_VIEW_ZOOM_OUT, 8}, {0, -1},                 {ID_VIEW_SHOW_INFO, 9},
        {ID_BLANK_FIRST + 0, 10}, {ID_BLANK_FIRST + 1, 11}, {ID_BLANK_FIRST + 2, 12},
        {ID_BLANK_FIRST + 3, 13}, {ID_BLANK_FIRST + 4, 14}, {ID_BLANK_FIRST + 5, 15},
    };
    return table;
}

}  // namespace

const CommandTable& Table()
{
    static const CommandTable table = MakeTable();
    return table;
}

}  // namespace appcommands
