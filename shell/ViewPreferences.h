// The view's choices that outlive a run: whether pictures bigger than the
// window open fitted in it (View > Fit Big Pictures on Open, on until the
// user turns it off). Kept in the application's settings beside the window's
// size and playback's rate.
#pragma once

#include <QObject>
#include <QString>

class CBrimwellView;
class CommandRouter;

class ViewPreferences : public QObject {
    Q_OBJECT
public:
    // Belongs to view, which it sets up from the settings at once;
    // organization and application name the settings.
    ViewPreferences(CBrimwellView* view, CommandRouter* router, QString organization, QString application);

    void OnToggleFitBigOnOpen();

private:
    CBrimwellView* m_view;
    QString m_organization;
    QString m_application;
};
