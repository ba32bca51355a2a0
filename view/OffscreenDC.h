// Composes one paint of the view off screen and draws it to the target in
// one piece when it goes out of scope, so the window never shows a half-made
// picture or a background without its picture.
#pragma once

#include <QImage>
#include <QRect>

class QPainter;

class COffscreenDC {
public:
    // area: the part of the target to compose, in the target's device pixels.
    COffscreenDC(QPainter* target, const QRect& area);
    ~COffscreenDC();

    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;

    QImage& Bitmap() { return m_offBitmap; }
    const QRect& Area() const { return m_area; }

private:
    QImage m_offBitmap;
    QPainter* m_pTarget;
    QRect m_area;
};
