// The program's one document: the frame of the file shown (its display
// bitmap, size, producer text and every render channel) and the channel view
// the user wants. Every file the user opens is read here; a file that cannot
// be read is reported in one message box and leaves the previous frame,
// sizes and producer as they were.
#pragma once

#include "ChannelView.h"
#include "Document.h"
#include "FrameDrawing.h"
#include "LoadedFrame.h"
#include "Look.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class CBrimwellDoc : public CDocument {
public:
    CBrimwellDoc() = default;
    ~CBrimwellDoc() override;

    bool OnOpenDocument(const QString& path) override;
    // Reads path in place of the picture shown; a failure leaves everything
    // as it was and is reported in a message box only when asked (a reload
    // of a file caught half-written fails quietly).
    bool ReadFile(const QString& path, bool reportFailure);
    void DeleteContents() override;

    // Shows a frame loaded elsewhere (a read-ahead cache) as the file path.
    bool ShowFrame(std::shared_ptr<const LoadedFrame> frame, const QString& path);

    QString GetProducer() const { return rpf_producer; }
    bool HasPicture() const { return !rpf_bmp.isNull(); }
    // The colour picture for printing: a copy whose alpha is opaque, since a
    // print preview keeps the image and may read the alpha byte.
    QImage Picture() const;

    // The frame shown, or null before the first file.
    const std::shared_ptr<const LoadedFrame>& Frame() const { return m_frame; }

    // The view the user asked for, with the window's scaling; it outlives
    // the files stepped through.
    const ChannelView& WantedView() const { return m_wantedView; }
    // Asks for view, scaled as the window scales (view's own scaling aside).
    void SetWantedView(const ChannelView& view) { SetWantedViewAndLook(view, m_look); }
    // How the window scales depth and vectors: percentiles until the user
    // chooses otherwise.
    const ChannelScaling& Scaling() const { return m_wantedView.Scaling(); }
    void SetScaling(const ChannelScaling& scaling) { SetWanted(m_wantedView.WithScaling(scaling), m_look); }
    // How the colour view is looked at (exposure, display transform,
    // component); it outlives the files stepped through and played.
    const Look& WantedLook() const { return m_look; }
    void SetLook(const Look& look) { SetWanted(m_wantedView, look); }
    // View and look at once, so that frames ahead are drawn again only once.
    void SetWantedViewAndLook(const ChannelView& view, const Look& look)
    {
        SetWanted(view.WithScaling(m_wantedView.Scaling()), look);
    }
    // The view and look together: what frames read from now on are drawn
    // in as they are read.
    FrameDrawing WantedDrawing() const { return FrameDrawing{m_wantedView, m_look}; }
    // Called whenever the wanted drawing changes (the read-ahead draws the
    // frames ahead again); empty: nobody.
    void OnWantedDrawingChanged(std::function<void()> changed) { m_drawingChanged = std::move(changed); }
    // Whether the frame shown holds what view draws.
    bool Offers(const ChannelView& view) const;
    // What is shown: the wanted view where the frame holds it, else the colour.
    ChannelView ShownView() const;
    // The bitmap of the view shown: the display bitmap for the colour in
    // the plain look, the frame's picture when it was drawn for the wanted
    // view and look; otherwise rendered here once per frame, view and look
    // and kept until one of them changes.
    QImage ShownBitmap() const;
    // As ShownBitmap, an opaque copy, for the printed and previewed page.
    QImage ShownPicture() const;

    QImage rpf_bmp;          // display bitmap, rpf_width x rpf_height, BGRA bytes
    int rpf_width = 0;
    int rpf_height = 0;
    QString rpf_producer;    // producer text of the file's header
    QString rpf_path;        // the path handed to the latest open attempt

private:
    void SetWanted(const ChannelView& view, const Look& look);

    std::shared_ptr<const LoadedFrame> m_frame;
    ChannelView m_wantedView = ChannelView::Colour().WithScaling(ChannelScaling::Window());
    Look m_look;
    std::function<void()> m_drawingChanged;
    // The last channel view rendered, and of what.
    mutable QImage m_viewCache;
    mutable ChannelView m_cachedView;
    mutable Look m_cachedLook;
    mutable const LoadedFrame* m_cachedFrame = nullptr;
};
