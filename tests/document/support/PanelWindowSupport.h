// Panels shown as windows on the offscreen platform: a client area of a
// given size, the window's picture, and the areas the window repaints.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>

#include "KestBase.h"
#include "KestColor.h"

namespace kest::doctest {

// Shows the panel with a client area of that size (scroll bars, when the
// document needs them, take their part of it).
inline void ShowClient(TKestPanel& panel, int width, int height)
{
    const int frame = 2 * panel.frameWidth();
    panel.resize(width + frame, height + frame);
    panel.show();
    QCoreApplication::processEvents();
}

// The client area as the window paints it.
inline QImage GrabClient(TKestPanel& panel)
{
    return panel.viewport()->grab().toImage();
}

inline TColor PixelAt(const QImage& image, int x, int y)
{
    return QRgbToColor(image.pixel(x, y)) & 0xFFFFFF;
}

// Collects the areas the window is asked to paint.
class TPaintRecorder : public QObject {
public:
    explicit TPaintRecorder(TKestPanel& panel)
        : panel_(panel)
    {
        QCoreApplication::processEvents();
        panel_.viewport()->installEventFilter(this);
    }
    ~TPaintRecorder() override { panel_.viewport()->removeEventFilter(this); }
    // Delivers what is pending and returns what was painted since the last call.
    QRegion Take()
    {
        QCoreApplication::processEvents();
        QRegion painted = painted_;
        painted_ = QRegion();
        return painted;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted_ += static_cast<QPaintEvent*>(event)->region();
        return false;
    }

private:
    TKestPanel& panel_;
    QRegion painted_;
};

} // namespace kest::doctest
