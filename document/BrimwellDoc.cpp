#include "BrimwellDoc.h"

#include "ChannelRenderer.h"
#include "DisplayBitmap.h"
#include "LoadBesideOld.h"
#include "LookRenderer.h"
#include "PathText.h"
#include "Prompts.h"

#include <QFile>

#include <stdexcept>
#include <utility>

CBrimwellDoc::~CBrimwellDoc()
{
    DeleteContents();
}

bool CBrimwellDoc::OnOpenDocument(const QString& path)
{
    return ReadFile(path, true);
}

bool CBrimwellDoc::ReadFile(const QString& path, bool reportFailure)
{
    rpf_path = path;
    try {
        // The new file is read completely before anything of the old one is
        // released, so a file that fails leaves the window as it was, unless
        // memory cannot hold both (see LoadBesideOld.h).
        const std::string pathBytes = pathtext::Bytes(path);
        return ShowFrame(loadbesideold::Run([this, &pathBytes] { return LoadFrame(pathBytes, WantedDrawing()); },
                                            [this] { DeleteContents(); }, !rpf_bmp.isNull()),
                         path);
    } catch (const std::runtime_error& error) {
        if (reportFailure)
            prompts::ShowMessage(QStringLiteral("ERROR opening file:\n\n") + path + QStringLiteral("\n\nerror=") +
                             QString::fromLocal8Bit(error.what()));
    } catch (...) {
        if (reportFailure)
            prompts::ShowMessage(QStringLiteral("Fatal error opening file.\nPlease contact support."));
    }
    return false;
}

bool CBrimwellDoc::ShowFrame(std::shared_ptr<const LoadedFrame> frame, const QString& path)
{
    if (!frame)
        return false;
    DeleteContents();
    rpf_path = path;
    m_frame = std::move(frame);
    rpf_bmp = m_frame->bitmap;  // shares the frame's pixels
    rpf_width = m_frame->width;
    rpf_height = m_frame->height;
    rpf_producer = m_frame->producer;
    return true;
}

void CBrimwellDoc::DeleteContents()
{
    rpf_bmp = QImage();
    m_viewCache = QImage();
    m_cachedFrame = nullptr;
    m_frame.reset();
}

void CBrimwellDoc::SetWanted(const ChannelView& view, const Look& look)
{
    const FrameDrawing before = WantedDrawing();
    m_wantedView = view;
    m_look = look;
    if (m_drawingChanged && WantedDrawing() != before)
        m_drawingChanged();
}

QImage CBrimwellDoc::Picture() const
{
    return displaybitmap::OpaqueCopy(rpf_bmp);
}

bool CBrimwellDoc::Offers(const ChannelView& view) const
{
    if (!m_frame)
        return false;
    return view.kind() == ChannelView::Kind::Colour || view.AvailableIn(m_frame->channels);
}

ChannelView CBrimwellDoc::ShownView() const
{
    return Offers(m_wantedView) ? m_wantedView : ChannelView::Colour().WithScaling(m_wantedView.Scaling());
}

QImage CBrimwellDoc::ShownBitmap() const
{
    const ChannelView view = ShownView();
    const bool colour = view.kind() == ChannelView::Kind::Colour;
    if (colour && m_look.IsPlain())
        return rpf_bmp;
    if (m_frame->drawing == WantedDrawing() && !m_frame->picture.isNull())
        return m_frame->picture;  // drawn when the frame was read
    // Channel views ignore the look.
    const Look look = colour ? m_look : Look();
    if (m_cachedFrame != m_frame.get() || !m_cachedView.DrawsAs(view) || m_cachedLook != look) {
        // One rendering kept at a time: a frame's memory is its channels, its
        // display bitmap and at most one view.
        QImage previous = std::exchange(m_viewCache, QImage());
        if (colour) {
            // A look drawn over the previous one's memory, as stepping
            // through exposures does.
            m_viewCache = lookrenderer::Render(m_frame->channels, look, std::move(previous));
        } else {
            previous = QImage();
            m_viewCache = channelrenderer::Render(m_frame->channels, view, m_frame->RangesFor(view));
        }
        m_cachedFrame = m_frame.get();
        m_cachedView = view;
        m_cachedLook = look;
    }
    return m_viewCache;
}

QImage CBrimwellDoc::ShownPicture() const
{
    // A copy: a print preview keeps the page's image and would read the
    // alpha bytes of a view that only claims to be opaque.
    return displaybitmap::OpaqueCopy(ShownBitmap());
}
