// The status bar under the main window's toolbar: the frame of the sequence
// shown, playback's rate and counts while the folder plays, what a comparison
// of two renders shows and its figures, the zoom in percent, the picture's
// size, and while the pointer is over the picture the pixel there
// and its values. Following the pointer changes only the readout's label,
// never the picture.
#pragma once

#include <QStatusBar>

#include <functional>

class CBrimwellView;
class QLabel;

class CPictureStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CPictureStatusBar(CBrimwellView* view, QWidget* parent = nullptr);

    // The zoom of divisor k as the bar shows it, e.g. "100%".
    static QString ZoomText(int k);

    // Playback's words (the actual rate, frames skipped and dropped); empty
    // hides them.
    void ShowPlayback(const QString& text);

    // The frame of the sequence shown, e.g. "0042 of 0001–0240"; empty
    // hides it.
    void ShowFrameNumber(const QString& text);

    // The look of the colour view, e.g. "Exposure -2.0  sRGB".
    void ShowLook(const QString& text);

    // What a comparison of two renders shows and its figures; empty hides it.
    void ShowComparison(const QString& text);
    // The readout of the pixel under the pointer, in place of the frame's
    // own (both renders' values while two are compared); unset: the frame's.
    void SetReadout(std::function<QString(int x, int y)> readout);

    QLabel* LookLabel() const { return m_look; }
    QLabel* PlaybackLabel() const { return m_playback; }
    QLabel* FrameNumberLabel() const { return m_frameNumber; }
    QLabel* ZoomLabel() const { return m_zoom; }
    QLabel* SizeLabel() const { return m_size; }
    QLabel* ReadoutLabel() const { return m_readout; }
    QLabel* ComparisonLabel() const { return m_comparison; }

private:
    void ShowGeometry();
    void ShowPixel(int x, int y);
    void ClearPixel();

    CBrimwellView* m_view;
    QLabel* m_readout;
    QLabel* m_zoom;
    QLabel* m_size;
    QLabel* m_playback;
    QLabel* m_frameNumber;
    QLabel* m_look;
    QLabel* m_comparison;
    std::function<QString(int x, int y)> m_readoutText;
};
