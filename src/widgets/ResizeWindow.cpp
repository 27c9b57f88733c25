// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResizeWindow.h"

#include "widgets/AutoResizing.h"

#include <QLayout>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace quaverly {

DiscloseGeometry discloseGeometry(bool disclosed, qreal minH, QSizeF boxSize,
                                  const QRectF &content, const QRectF &frame, qreal visibleHeight,
                                  qreal visibleWidth)
{
    if (!(boxSize.width() > 0.0) || !(minH > 0.0) || !(boxSize.height() > 0.0)
        || !(content.width() > 0.0) || !std::isfinite(content.width()))
        return {QRectF(), 0.0};
    const float k = static_cast<float>(content.width() / boxSize.width());
    const qreal base = disclosed ? minH : boxSize.height();
    const qreal newH = std::floor(static_cast<float>(base * static_cast<double>(k)));

    // The decorations and bars around the content keep their size; the top edge stays.
    qreal fw = frame.width();
    qreal fh = frame.height() - content.height() + newH;
    if (visibleHeight > 0.0 && fh > visibleHeight) {
        fw = std::floor(fw * static_cast<float>(visibleHeight / fh));
        fh = visibleHeight;
    }
    if (visibleWidth > 0.0 && fw > visibleWidth) {
        fh = std::floor(fh * static_cast<float>(visibleWidth / fw));
        fw = visibleWidth;
    }
    return {QRectF(frame.x(), frame.y(), fw, fh), newH};
}

ResizeWindow::ResizeWindow(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags) {}

void ResizeWindow::setContentAspectRatio(QSizeF ratio)
{
    mContentAspectRatio = (ratio.width() > 0.0 && ratio.height() > 0.0) ? ratio : QSizeF();
    if (mContent)
        mLastContentSize = mContent->size();
}

QRect ResizeWindow::contentRect() const
{
    // Before the first show the content still has its default geometry; place it first.
    if (QLayout *frameLayout = layout(); frameLayout && !isVisible())
        frameLayout->activate();
    const QRect client = geometry();
    if (!mContent && !centralWidget())
        return client;
    const QWidget *content = mContent ? mContent.data() : centralWidget();
    return content->geometry().translated(client.topLeft());
}

void ResizeWindow::setContentSize(QSizeF size)
{
    const QSize wanted(static_cast<int>(std::ceil(size.width())),
                       static_cast<int>(std::ceil(size.height())));
    if (wanted.isEmpty())
        return;
    const QRect content = contentRect();
    resize(width() + wanted.width() - content.width(), height() + wanted.height() - content.height());
}

void ResizeWindow::disclose(bool disclosed, const QWidget &undisclosedSizeBox,
                            std::function<void()> completion)
{
    watchContent();
    const QRectF content(contentRect());
    const QRect client = geometry();
    const QRect frame = frameGeometry();
    const QScreen *shown = screen();
    const QSizeF visible = shown ? QSizeF(shown->availableGeometry().size()) : QSizeF(0.0, 0.0);
    const DiscloseGeometry target =
        discloseGeometry(disclosed, mContentMinSize.height(), QSizeF(undisclosedSizeBox.size()),
                         content, QRectF(frame), visible.height(), visible.width());
    if (target.frame.isNull()) {
        qWarning("Cannot show or hide the settings area: the window has no usable sizes");
        if (completion)
            completion();
        return;
    }
    if (!disclosed)
        setFocus(Qt::OtherFocusReason);

    const QRect newClient(client.x(), client.y(),
                          static_cast<int>(target.frame.width()) - (frame.width() - client.width()),
                          static_cast<int>(target.frame.height()) - (frame.height() - client.height()));

    if (mAnimation) {
        // A newer request replaces the running one, and with it its completion.
        mAnimation->disconnect(this);
        mAnimation->stop();
        mAnimation->deleteLater();
        mAnimation = nullptr;
    }
    setContentAspectRatio(QSizeF(content.width(), target.contentHeight));

    if (mAnimationDuration <= 0 || !isVisible()) {
        setGeometry(newClient);
        mLastContentSize = mContent ? mContent->size() : QSize();
        if (completion)
            completion();
        return;
    }
    auto *animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(mAnimationDuration);
    animation->setStartValue(client);
    animation->setEndValue(newClient);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    mAnimation = animation;
    connect(animation, &QPropertyAnimation::finished, this,
            [this, animation, completion = std::move(completion)] {
                mAnimation = nullptr;
                animation->deleteLater();
                mLastContentSize = mContent ? mContent->size() : QSize();
                if (mContent)
                    placeContent(mContent->size());
                if (completion)
                    completion();
            });
    animation->start();
}

bool ResizeWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
    case QEvent::LayoutRequest:
    case QEvent::Show:
        watchContent();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void ResizeWindow::watchContent()
{
    QWidget *content = centralWidget();
    if (content == mContent)
        return;
    if (mContent)
        mContent->removeEventFilter(this);
    mContent = content;
    if (mContent)
        mContent->installEventFilter(this);
}

bool ResizeWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mContent && event->type() == QEvent::Resize) {
        placeContent(static_cast<QResizeEvent *>(event)->oldSize());
        scheduleAspectCorrection();
    }
    return QMainWindow::eventFilter(watched, event);
}

void ResizeWindow::placeContent(QSize oldSize)
{
    const QSizeF area(mContent->size());
    // While disclose animates, the layout hangs from the top so the area slides in or out.
    const QRectF picture = isAnimating() ? QRectF(QPointF(0.0, 0.0), area)
                                         : fittedPicture(area, mContentAspectRatio);
    resizeSubviews(*mContent, oldSize, picture);
    // Whatever lies outside the picture (the hidden settings area below it) stays hidden.
    if (picture.size() == area)
        mContent->clearMask();
    else
        mContent->setMask(picture.toAlignedRect());
}

void ResizeWindow::scheduleAspectCorrection()
{
    if (mCorrectionPending || mContentAspectRatio.isEmpty() || isAnimating())
        return;
    mCorrectionPending = true;
    // After the resize has settled, so the correction is not itself undone by the layout.
    QMetaObject::invokeMethod(this, [this] {
        mCorrectionPending = false;
        correctAspect();
    }, Qt::QueuedConnection);
}

void ResizeWindow::correctAspect()
{
    if (!mContent || isAnimating() || mContentAspectRatio.isEmpty() || isMaximized()
        || isFullScreen())
        return;
    const QSize now = mContent->size();
    const qreal ratio = mContentAspectRatio.height() / mContentAspectRatio.width();
    const qreal minW = mContentMinSize.width();
    const bool heightLeads = now.width() == mLastContentSize.width()
                             && now.height() != mLastContentSize.height();
    qreal w = now.width();
    qreal h = now.height();
    if (heightLeads)
        w = h / ratio;
    if (w < minW)
        w = minW;
    // Never ask for a frame larger than the screen's usable area.
    if (const QScreen *shown = screen()) {
        const QSize decorations = frameGeometry().size() - now;
        const QSize usable = shown->availableGeometry().size() - decorations;
        w = std::min({w, qreal(usable.width()), usable.height() / ratio});
    }
    h = w * ratio;
    const QSize wanted(static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h)));
    mLastContentSize = wanted;
    if (wanted != now)
        resize(width() + wanted.width() - now.width(), height() + wanted.height() - now.height());
}

} // namespace quaverly
