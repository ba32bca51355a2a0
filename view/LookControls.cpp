#include "LookControls.h"

#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "PictureStatusBar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include <utility>

namespace {

// Where the chosen transform is remembered.
const QString kDisplaySection = QStringLiteral("Display");
const QString kTransformKey = QStringLiteral("Transform");

// How long the report of a config that failed stays in the status bar.
constexpr int kReportMilliseconds = 20000;

}  // namespace

LookControls::LookControls(CBrimwellView* view, CommandRouter* router, CPictureStatusBar* statusBar,
                           OcioConfig config, const Start& start, QString settingsOrganisation,
                           QString settingsApplication)
    : QObject(view),
      m_view(view),
      m_router(router),
      m_statusBar(statusBar),
      m_config(std::move(config)),
      m_settingsOrganisation(std::move(settingsOrganisation)),
      m_settingsApplication(std::move(settingsApplication))
{
    const auto hasPicture = [this] { return m_view->GetDocument()->Frame() != nullptr; };
    router->SetHandler(this, ID_VIEW_EXPOSURE_UP, [this] { StepExposure(+1); });
    router->SetHandler(this, ID_VIEW_EXPOSURE_DOWN, [this] { StepExposure(-1); });
    router->SetHandler(this, ID_VIEW_EXPOSURE_RESET, [this] { ResetExposure(); });
    for (int id : {ID_VIEW_EXPOSURE_UP, ID_VIEW_EXPOSURE_DOWN, ID_VIEW_EXPOSURE_RESET})
        router->SetUpdateHandler(this, id, hasPicture);

    auto* transforms = new QActionGroup(this);
    for (const auto& [id, key] : {std::pair{ID_VIEW_TRANSFORM_STORED, QStringLiteral("stored")},
                                  std::pair{ID_VIEW_TRANSFORM_SRGB, QStringLiteral("srgb")}}) {
        router->SetHandler(this, id, [this, key = key] {
            if (ChooseTransform(key))
                SaveTransform();
        });
        router->SetCheckHandler(this, id, [this, key = key] { return Current().transform.Key() == key; });
        transforms->addAction(router->Action(id));
    }
    AddConfigItems(transforms);

    const std::pair<int, Look::Component> components[] = {
        {ID_VIEW_SHOW_RED, Look::Component::Red},
        {ID_VIEW_SHOW_GREEN, Look::Component::Green},
        {ID_VIEW_SHOW_BLUE, Look::Component::Blue},
        {ID_VIEW_SHOW_LUMINANCE, Look::Component::Luminance},
        {ID_VIEW_OVER_CHECKER, Look::Component::OverChecker},
    };
    for (const auto& [id, component] : components) {
        router->SetHandler(this, id, [this, component = component] { ToggleComponent(component); });
        router->SetUpdateHandler(this, id, hasPicture);
        router->SetCheckHandler(this, id, [this, component = component] {
            return m_view->GetDocument()->ShownView().kind() == ChannelView::Kind::Colour &&
                   Current().component == component;
        });
    }

    if (!m_config.Error().isEmpty())
        m_statusBar->showMessage(m_config.Error() + QStringLiteral(" (showing the built-in transforms)"),
                                 kReportMilliseconds);

    Look look = Current();
    look.exposure = start.exposure.value_or(0.0);
    SetLook(look);
    if (start.transformKey) {
        ChooseTransform(*start.transformKey);
    } else {
        // A remembered transform the config of this run lacks (or no config
        // at all) leaves the picture as stored, and the memory as it was.
        QSettings settings(m_settingsOrganisation, m_settingsApplication);
        settings.beginGroup(kDisplaySection);
        const QString remembered = settings.value(kTransformKey, QStringLiteral("stored")).toString();
        QString unused;
        if (remembered == QLatin1String("srgb"))
            ChooseTransform(remembered);
        else if (m_config.Transform(remembered, &unused))
            ChooseTransform(remembered);
    }
}

const Look& LookControls::Current() const
{
    return m_view->GetDocument()->WantedLook();
}

void LookControls::AddConfigItems(QActionGroup* group)
{
    if (m_config.ViewKeys().empty())
        return;
    // After sRGB, in the menu that holds it.
    QAction* srgb = m_router->Action(ID_VIEW_TRANSFORM_SRGB);
    QMenu* menu = nullptr;
    for (QObject* holder : srgb->associatedObjects()) {
        if ((menu = qobject_cast<QMenu*>(holder)) != nullptr)
            break;
    }
    const QList<QAction*> items = menu != nullptr ? menu->actions() : QList<QAction*>();
    const qsizetype srgbAt = items.indexOf(srgb);
    QAction* before = srgbAt >= 0 && srgbAt + 1 < items.size() ? items.at(srgbAt + 1) : nullptr;
    for (const QString& key : m_config.ViewKeys()) {
        auto* action = new QAction(key, this);
        action->setCheckable(true);
        action->setStatusTip(QStringLiteral("Show the colour through the OpenColorIO view %1").arg(key));
        connect(action, &QAction::triggered, this, [this, key] {
            if (ChooseTransform(key))
                SaveTransform();
        });
        group->addAction(action);
        if (menu != nullptr)
            menu->insertAction(before, action);
        m_configActions.push_back(action);
    }
}

void LookControls::StepExposure(int halfStops)
{
    Look look = Current();
    look.exposure += halfStops * Look::kExposureStep;
    SetLook(look);
}

void LookControls::ResetExposure()
{
    Look look = Current();
    look.exposure = 0;
    SetLook(look);
}

bool LookControls::ChooseTransform(const QString& key)
{
    Look look = Current();
    if (key == QLatin1String("stored")) {
        look.transform = DisplayTransform::Stored();
    } else if (key == QLatin1String("srgb")) {
        look.transform = DisplayTransform::Srgb();
    } else {
        QString why;
        std::optional<DisplayTransform> transform = m_config.Transform(key, &why);
        if (!transform) {
            m_statusBar->showMessage(why, kReportMilliseconds);
            return false;
        }
        look.transform = std::move(*transform);
    }
    SetLook(look);
    return true;
}

void LookControls::ToggleComponent(Look::Component component)
{
    CBrimwellDoc* document = m_view->GetDocument();
    Look look = Current();
    const bool shownInColour = document->ShownView().kind() == ChannelView::Kind::Colour;
    look.component = shownInColour && look.component == component ? Look::Component::Colour : component;
    // The components are the colour's: asked for in a channel view, they
    // bring the colour back.
    if (!shownInColour)
        document->SetWantedViewAndLook(ChannelView::Colour(), look);
    SetLook(look);
}

void LookControls::SetLook(const Look& look)
{
    m_view->GetDocument()->SetLook(look);
    for (QAction* action : m_configActions)
        action->setChecked(look.transform.kind() == DisplayTransform::Kind::Ocio && look.transform.Key() == action->text());
    m_statusBar->ShowLook(look.Text());
    m_view->viewport()->update();
}

void LookControls::SaveTransform() const
{
    QSettings settings(m_settingsOrganisation, m_settingsApplication);
    settings.beginGroup(kDisplaySection);
    settings.setValue(kTransformKey, Current().transform.Key());
}
