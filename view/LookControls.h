// The look commands of the colour view: exposure up, down and back to 0,
// the display transforms (the two built in and every display/view of the
// OpenColorIO config handed in, as radio items of the View > Display
// menu), and the components as grey or over the checkerboard. Each change
// goes to the document, which draws the look, and to the status bar. The
// transform chosen is remembered across runs; the exposure starts at 0
// unless the command line says otherwise.
#pragma once

#include "Look.h"
#include "OcioConfig.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class CBrimwellView;
class CPictureStatusBar;
class CommandRouter;
class QAction;
class QActionGroup;

class LookControls : public QObject {
    Q_OBJECT
public:
    // What the command line asked for; unset: exposure 0 and the
    // remembered transform.
    struct Start {
        std::optional<double> exposure;
        std::optional<QString> transformKey;  // "stored", "srgb" or "DISPLAY/VIEW"
    };

    // settingsOrganisation and settingsApplication: where the transform is
    // remembered. A config that failed to load is reported once in the
    // status bar.
    LookControls(CBrimwellView* view, CommandRouter* router, CPictureStatusBar* statusBar, OcioConfig config,
                 const Start& start, QString settingsOrganisation, QString settingsApplication);

    const Look& Current() const;

    void StepExposure(int halfStops);
    void ResetExposure();
    // Chooses the transform of key ("stored", "srgb", "DISPLAY/VIEW");
    // false, with a word in the status bar, for one that cannot be had.
    bool ChooseTransform(const QString& key);
    // Shows component; asking for the one shown goes back to the colour.
    void ToggleComponent(Look::Component component);

    // The radio items of the config's display/view pairs, in its order.
    const std::vector<QAction*>& ConfigActions() const { return m_configActions; }

private:
    void AddConfigItems(QActionGroup* group);
    void SetLook(const Look& look);
    void SaveTransform() const;

    CBrimwellView* m_view;
    CommandRouter* m_router;
    CPictureStatusBar* m_statusBar;
    OcioConfig m_config;
    QString m_settingsOrganisation;
    QString m_settingsApplication;
    std::vector<QAction*> m_configActions;
};
