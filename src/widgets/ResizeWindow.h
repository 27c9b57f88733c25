// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QPropertyAnimation>
#include <QRectF>
#include <QSizeF>

#include <functional>

namespace quaverly {

// Where disclose puts the window, worked out from what it reads (all y-down, top kept).
struct DiscloseGeometry {
    QRectF frame;          // the window's new frame (with decorations)
    qreal contentHeight;   // the content height it asks for before any screen cap
};

// The frame arithmetic of disclose: the content height becomes minH (area shown) or boxH
// (hidden) times the window's scale k = contentWidth / boxW (single precision, floored), the
// top edge stays, and a frame taller than the screen's usable height is cut to it with its
// width reduced in proportion (rounded down), and likewise a frame wider than the usable
// width (visibleWidth 0: no limit). frame and content are the current window
// frame and content rectangle. Empty result (frame null) when boxW or minH is unusable.
[[nodiscard]] DiscloseGeometry discloseGeometry(bool disclosed, qreal minH, QSizeF boxSize,
                                                const QRectF &content, const QRectF &frame,
                                                qreal visibleHeight, qreal visibleWidth = 0.0);

// The main window. Its content widget (the central widget) places every AutoResize child
// from the initial layout whenever it is resized, so the window zooms as a picture: scaled by
// the limiting dimension and centred when the window does not have the content aspect ratio
// (maximised, tiled, full screen), with whatever lies outside that picture masked. It keeps
// the content aspect ratio it is given: Qt has no such lock on Linux, so after a resize by the
// user a free-floating window is corrected to the ratio (the dimension the user changed
// leads), never narrower than the minimum content width and never larger than the screen's
// usable area. The initial layout is the one the window has when
// it is first shown: show it at its designed width. Main thread only.
class ResizeWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ResizeWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // Width : height of the content; an empty size removes the lock.
    void setContentAspectRatio(QSizeF ratio);

    // The content size with the settings area shown, at the initial scale (the designed
    // content size). disclose reads its height; user resizing keeps the width at or above it.
    QSizeF contentMinSize() const { return mContentMinSize; }
    void setContentMinSize(QSizeF size) { mContentMinSize = size; }

    // The content widget's rectangle in global coordinates.
    QRect contentRect() const;
    // Resizes the window at once so the content gets size rounded outwards to whole pixels,
    // keeping the window's top-left corner (start-up with the settings area hidden).
    void setContentSize(QSizeF size);

    // Shows or hides the settings area: the window grows or shrinks from its top edge,
    // animated, to discloseGeometry's frame, and the content aspect ratio becomes the new
    // state's. Hiding takes the focus to the window, ending any edit in the area. completion
    // runs once the frame is final (at once when not animated): each resize step takes the
    // focus to the window. The box keeps its frame when the window scales (not AutoResize).
    void disclose(bool disclosed, const QWidget &undisclosedSizeBox,
                  std::function<void()> completion = {});

    // 0 makes disclose immediate.
    void setAnimationDuration(int milliseconds) { mAnimationDuration = milliseconds; }
    bool isAnimating() const { return mAnimation != nullptr; }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchContent();
    void placeContent(QSize oldSize);
    void scheduleAspectCorrection();
    void correctAspect();

    QSizeF mContentAspectRatio;
    QSizeF mContentMinSize;
    QPointer<QWidget> mContent;
    QSize mLastContentSize;
    bool mCorrectionPending = false;
    int mAnimationDuration = 200;
    QPointer<QPropertyAnimation> mAnimation;
};

} // namespace quaverly
