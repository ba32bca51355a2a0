// The Channel menu's scaling commands: the depth range (full, auto, typed
// near and far, Shift+Z between full and auto), inverted and logarithmic
// depth, and the length at which velocity and UV vectors show at full
// brightness. They change the document's scaling, which the view shown and
// every frame read from then on are drawn with.
#pragma once

#include "ChannelScaling.h"

#include <QObject>

class CBrimwellDoc;
class CommandRouter;
class QWidget;

class CChannelScalingCommands : public QObject {
    Q_OBJECT
public:
    // view: the widget to repaint after a change, and the owner of the
    // dialogs; the commands live as long as it does.
    CChannelScalingCommands(CBrimwellDoc* document, CommandRouter* router, QWidget* view);

    // Full and Auto in turn; a typed range goes to Auto.
    void SwitchDepthRange();
    // Asks for a near and a far depth, starting from the range in use.
    void AskDepthRange();
    // Asks for the full-brightness length of velocity (or UV), starting
    // from the one in use.
    void AskVectorScale(bool velocity);

private:
    void Apply(const ChannelScaling& scaling);
    void SetDepthMode(DepthRangeMode mode);
    void SetVectorMode(bool velocity, VectorScaleMode mode);

    CBrimwellDoc* m_document;
    QWidget* m_view;
};
