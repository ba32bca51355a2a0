// The timeline under the picture: a slider over the frame numbers of the
// shown file's sequence that the mouse scrubs, with the in and out points
// drawn as brackets, the range between them shaded, and each run of missing
// numbers marked in red. It holds what it draws and says where the mouse
// put it; what to show there is the sequence controller's to decide.
#pragma once

#include <QSlider>

#include <cstdint>
#include <utility>
#include <vector>

class CTimelineBar : public QSlider {
    Q_OBJECT
public:
    // A run of missing numbers, first and last.
    using Gap = std::pair<std::int64_t, std::int64_t>;

    explicit CTimelineBar(QWidget* parent = nullptr);

    void SetSequence(std::int64_t first, std::int64_t last, std::vector<Gap> gaps);
    // Moves the handle without telling anyone.
    void SetPosition(std::int64_t number);
    // The in and out points; a point not set is drawn at no bracket.
    void SetInOut(std::int64_t in, std::int64_t out, bool hasIn, bool hasOut);

    const std::vector<Gap>& Gaps() const { return m_gaps; }
    std::int64_t In() const { return m_in; }
    std::int64_t Out() const { return m_out; }

    // Where the centre of number's handle lies across the bar, in pixels.
    int XOf(std::int64_t number) const;

signals:
    // The mouse put the handle at number.
    void Scrubbed(std::int64_t number);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The wheel is the picture's zoom, never a move the window would not see.
    void wheelEvent(QWheelEvent* event) override;

private:
    // The number under x: a click lands where it is, not a page further.
    std::int64_t NumberAt(int x) const;
    void ScrubTo(int x);

    std::vector<Gap> m_gaps;
    std::int64_t m_in = 0;
    std::int64_t m_out = 0;
    bool m_hasIn = false;
    bool m_hasOut = false;
    bool m_scrubbing = false;
};
