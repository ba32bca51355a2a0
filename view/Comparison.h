// A second render, B, shown against the document's frame, A: the reference
// loaded beside the file shown, how the two are shown (a wipe, one or the
// other in turn, their difference) and the pictures of B and of the
// difference that the view draws, each made once per frame, view and look
// and kept until one of them changes. B is drawn in A's view and look, and
// a channel view scales B by A's ranges, so that the two share one scale.
// Pictures of B and of the difference have A's size: where only one of the
// renders has pixels (renders of different sizes are compared over their
// common top-left area), they are the view's background.
//
// Lives on the window's thread; the frames are shared const with the cache.
#pragma once

#include "ChannelView.h"
#include "DifferenceRenderer.h"
#include "LoadedFrame.h"
#include "Look.h"

#include <QImage>
#include <QString>

#include <memory>

class CBrimwellDoc;

class Comparison {
public:
    enum class Mode {
        Plain,       // A alone, B loaded
        Wipe,        // A left of the divider, B right of it
        Flicker,     // A or B, in turn
        Difference,  // |A - B| on the view's scale
    };
    enum class Side { A, B };

    // Whether a reference is loaded (its frame may still be missing).
    bool IsActive() const { return m_active; }
    void Start();
    void Stop();

    // B's frame for the frame shown (null while missing) and its file as
    // the user sees it.
    void SetReference(std::shared_ptr<const LoadedFrame> frame, const QString& path);
    const std::shared_ptr<const LoadedFrame>& Reference() const { return m_reference; }
    const QString& ReferencePath() const { return m_referencePath; }

    Mode mode() const { return m_mode; }
    void SetMode(Mode mode) { m_mode = mode; }
    Side FlickerSide() const { return m_side; }
    void SetFlickerSide(Side side) { m_side = side; }
    int Gain() const { return m_gain; }
    void SetGain(int gain) { m_gain = gain; }

    // The first picture column of B in the wipe, for a picture width pixels
    // wide: the middle until the divider is moved.
    int Divider(int width) const;
    // Moves the divider to column (kept within the picture).
    void SetDivider(int column, int width);

    // What the view paints in place of A's picture: A's own (null: as
    // without a comparison), B's, or the difference. wipeB: for the wipe,
    // B's picture, drawn right of the divider over A's.
    struct Painted {
        QImage picture;
        QImage wipeB;
    };
    Painted PaintedFor(const CBrimwellDoc& document);

    // B in the document's view and look, A's size; null without B or when B
    // lacks what the view shows.
    QImage ReferencePicture(const CBrimwellDoc& document);
    // The difference in the document's view and look; null as above.
    QImage DifferencePicture(const CBrimwellDoc& document);

    // The readout of both renders at picture pixel (x, y): the position, then
    // A's values and B's side by side.
    QString ReadoutText(const CBrimwellDoc& document, int x, int y) const;

private:
    // A's frame, view and look, and B's frame, for which a kept picture was
    // made.
    // Weak, so that a kept picture never keeps a frame, and a frame made
    // where a released one was is never taken for it.
    struct Key {
        std::weak_ptr<const LoadedFrame> a;
        std::weak_ptr<const LoadedFrame> b;
        ChannelView view;
        Look look;
        int gain = 0;
        bool Same(const Key& other) const
        {
            const auto frameA = a.lock(), frameB = b.lock();
            return frameA && frameB && frameA == other.a.lock() && frameB == other.b.lock() &&
                   view.DrawsAs(other.view) && look == other.look && gain == other.gain;
        }
    };
    Key KeyFor(const CBrimwellDoc& document, int gain) const;

    bool m_active = false;
    std::shared_ptr<const LoadedFrame> m_reference;
    QString m_referencePath;
    Mode m_mode = Mode::Wipe;
    Side m_side = Side::A;
    int m_gain = 1;
    int m_divider = -1;  // -1: the middle of the picture

    QImage m_referencePicture;
    Key m_referenceKey;
    QImage m_differencePicture;
    Key m_differenceKey;
    DifferenceRenderer m_renderer;
};
