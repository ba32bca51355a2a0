// File > Export: the view shown as a PNG file, or the whole frame with
// every channel as one OpenEXR file, chosen by the name given in the save
// dialog. The colour view is saved as the 16-bit colour PNG, which loses
// nothing of the file; every other view as the 8-bit picture the window
// shows.
#pragma once

#include "ChannelView.h"
#include "LoadedFrame.h"

#include <QString>

class QWidget;

namespace frameexport {

// Asks for a name (suggested beside sourcePath) and writes; failures are
// reported in a message box. Returns whether a file was written.
bool Run(QWidget* owner, const LoadedFrame& frame, const ChannelView& shown, const QString& sourcePath);

// Writes without asking: a name ending in .png gets shown, .exr the whole
// frame; never over sourcePath's file. Returns an empty string or the
// reason nothing was written.
QString Write(const LoadedFrame& frame, const ChannelView& shown, const QString& path, const QString& sourcePath);

}  // namespace frameexport
