#include "ChannelCommands.h"

#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "FrameExport.h"

#include <QActionGroup>
#include <QWidget>

CChannelCommands::CChannelCommands(CBrimwellDoc* document, CommandRouter* router, QWidget* picture)
    : QObject(picture), m_document(document), m_router(router), m_picture(picture)
{
    m_router->SetHandler(this, ID_FILE_EXPORT, [this] { Export(); });
    m_router->SetUpdateHandler(this, ID_FILE_EXPORT, [this] { return m_document->Frame() != nullptr; });

    auto* group = new QActionGroup(this);
    SetHandlers(ID_CHANNEL_COLOUR, ChannelView::Colour());
    group->addAction(m_router->Action(ID_CHANNEL_COLOUR));
    SetHandlers(ID_CHANNEL_ALPHA, ChannelView::Alpha());
    group->addAction(m_router->Action(ID_CHANNEL_ALPHA));
    for (int bit = 0; bit < kChannelCount; ++bit) {
        SetHandlers(ID_CHANNEL_FIRST + bit, ChannelView::Channel(bit));
        group->addAction(m_router->Action(ID_CHANNEL_FIRST + bit));
    }
}

void CChannelCommands::SetHandlers(int id, const ChannelView& view)
{
    m_router->SetHandler(this, id, [this, view] { Show(view); });
    m_router->SetUpdateHandler(this, id, [this, view] { return m_document->Offers(view); });
    m_router->SetCheckHandler(this, id, [this, view] { return m_document->Frame() && m_document->ShownView() == view; });
}

void CChannelCommands::Show(const ChannelView& view)
{
    const bool again = m_document->ShownView() == view;
    m_document->SetWantedView(again ? ChannelView::Colour() : view);
    m_picture->update();
    emit Changed();
}

void CChannelCommands::Export()
{
    if (const auto& frame = m_document->Frame())
        frameexport::Run(m_picture->window(), *frame, m_document->ShownView(), m_document->GetPathName());
}
