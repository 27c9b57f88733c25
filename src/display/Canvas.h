// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSizeF>

class QPainter;
class QRectF;
class QWidget;

namespace quaverly {

class Image;

// The off-screen canvas of a display view: an image of the view's initial size in logical
// pixels, at the screen's device pixel ratio so it stays sharp on HiDPI screens. Layers are
// drawn at fixed canvas coordinates; the whole canvas is then stretched into the view's
// current bounds, so the display scales with the window. Canvas coordinates here are y-down;
// drawAt takes the y-up position of an image's bottom-left corner and converts it.
class Canvas {
public:
    // Creates the canvas once with logicalSize; later calls only follow a changed pixel
    // ratio (the window moved to another screen), keeping the logical size.
    void ensure(QSizeF logicalSize, qreal devicePixelRatio);
    [[nodiscard]] bool isNull() const { return mImage.isNull(); }
    [[nodiscard]] QSizeF size() const { return mSize; }
    [[nodiscard]] QImage &image() { return mImage; }
    [[nodiscard]] qreal devicePixelRatio() const { return mImage.devicePixelRatio(); }

    // Clears to transparent; the painter draws in logical canvas units.
    void clear();
    // Draws image at its natural size with its bottom-left corner at (x, y) measured up from
    // the canvas's bottom edge.
    void drawAt(QPainter &painter, const Image &image, qreal x, qreal y) const;
    // Source-over, the whole canvas into target.
    void drawInto(QPainter &painter, const QRectF &target) const;

private:
    QSizeF mSize;
    QImage mImage;
};

} // namespace quaverly
