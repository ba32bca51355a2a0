// A scrolling view over a document: a total size in device pixels, scroll
// bars that appear where the total exceeds the visible area, page steps of a
// tenth of the total and line steps of a tenth of a page. Positions live in
// the scroll bars; painting and sizing are left to the derived view.
#pragma once

#include "View.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

class CScrollView : public QAbstractScrollArea, public CView {
    Q_OBJECT
public:
    explicit CScrollView(QWidget* parent = nullptr);

    // Sets the total size; the scroll positions stay where they are, moved
    // into the new range when they fall outside it.
    void SetScrollSizes(QSize total);
    QSize GetTotalSize() const { return m_totalSize; }
    QSize PageStep() const { return m_pageStep; }
    QSize LineStep() const { return m_lineStep; }
    QPoint GetScrollPosition() const;

    // The visible area, inside the scroll bars that are shown.
    QSize ClientSize() const;

protected:
    // A scroll bar moved: by default repaint everything.
    virtual void OnScroll();
    // The visible area changed size.
    virtual void OnSize();

    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateBars();

    QSize m_totalSize;
    QSize m_pageStep;
    QSize m_lineStep;
    bool m_insideUpdate = false;
};
