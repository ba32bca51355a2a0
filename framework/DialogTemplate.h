// A dialog resource as data: caption, font, size and the controls in
// creation order, all measured in dialog units. CDialog builds the window
// from it.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

// The ids of the standard buttons, and the id of controls that are never
// looked up once made (labels, frames, pictures).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_STATIC = -1;

enum class ControlKind {
    PushButton,     // text: the caption; IDOK accepts, IDCANCEL rejects
    Edit,           // a one-line text box that scrolls sideways
    GroupBox,       // a frame, drawn behind the controls it surrounds
    StaticText,     // left-aligned text, wrapped at word boundaries
    Picture,        // text: the image resource; shown at the image's own size
};

// Style bits of a control.
enum ControlStyle : unsigned {
    kNoStyle = 0,
    kDefaultButton = 1u << 0,  // Enter presses it
    kTabStop = 1u << 1,        // Tab stops on it
    kReadOnly = 1u << 2,       // the text can be selected and scrolled, not changed
};

struct DialogControl {
    ControlKind kind;
    int id;
    const char* text;
    QRect rect;  // x, y, width, height in dialog units
    unsigned style;
};

struct DialogTemplate {
    int id;
    const char* caption;
    QSize size;  // of the client area, in dialog units
    const char* fontFamily;
    int fontPointSize;
    std::vector<DialogControl> controls;  // creation order, which is the tab order
};
