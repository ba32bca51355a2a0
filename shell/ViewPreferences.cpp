#include "ViewPreferences.h"

#include "AppCommandIds.h"
#include "BrimwellView.h"
#include "CommandRouter.h"

#include <QSettings>

#include <utility>

namespace {
const QString kSection = QStringLiteral("View");
const QString kFitBigOnOpen = QStringLiteral("FitBigPicturesOnOpen");
constexpr bool kFitBigOnOpenDefault = true;
}  // namespace

ViewPreferences::ViewPreferences(CBrimwellView* view, CommandRouter* router, QString organization,
                                 QString application)
    : QObject(view), m_view(view), m_organization(std::move(organization)), m_application(std::move(application))
{
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kSection);
    m_view->SetFitsBigPicturesOnOpen(settings.value(kFitBigOnOpen, kFitBigOnOpenDefault).toBool());
    router->SetHandler(this, ID_VIEW_FIT_BIG_ON_OPEN, &ViewPreferences::OnToggleFitBigOnOpen);
    router->SetCheckHandler(this, ID_VIEW_FIT_BIG_ON_OPEN, [this] { return m_view->FitsBigPicturesOnOpen(); });
}

void ViewPreferences::OnToggleFitBigOnOpen()
{
    // Only the next open changes: the picture shown keeps its zoom.
    m_view->SetFitsBigPicturesOnOpen(!m_view->FitsBigPicturesOnOpen());
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kSection);
    settings.setValue(kFitBigOnOpen, m_view->FitsBigPicturesOnOpen());
}
