// The Channel menu's views (colour, alpha and each render channel, shown as
// one set of radio items, each offered only when the file holds it) and
// File > Export, which saves the view shown. Choosing the view already shown
// goes back to the colour; zoom and scroll position stay, since every view
// has the picture's size.
#pragma once

#include "ChannelView.h"

#include <QObject>

class CBrimwellDoc;
class CommandRouter;
class QWidget;

class CChannelCommands : public QObject {
    Q_OBJECT
public:
    // picture: the widget to repaint after a change, in the window that owns
    // the dialogs; the commands live as long as it does.
    CChannelCommands(CBrimwellDoc* document, CommandRouter* router, QWidget* picture);

    void Show(const ChannelView& view);
    // Saves the view shown as PNG or the whole file as OpenEXR.
    void Export();

signals:
    // The user chose another channel view.
    void Changed();

private:
    void SetHandlers(int id, const ChannelView& view);

    CBrimwellDoc* m_document;
    CommandRouter* m_router;
    QWidget* m_picture;
};
