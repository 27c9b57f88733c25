// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizing.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QProxyStyle>
#include <QResizeEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyleFactory>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>

namespace quaverly {
namespace {

// The application's style with every size metric multiplied by a scale, so slider handles,
// combo arrows and frames grow with the control like the rest of the zoomed picture.
class ScaledStyle final : public QProxyStyle {
public:
    ScaledStyle(QStyle *base, qreal scale) : QProxyStyle(base), mScale(scale) {}

    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return value > 0 ? std::max(1, qRound(value * mScale)) : value;
    }

private:
    qreal mScale;
};

// Styles are shared per scale step and live as long as the program: a widget may still
// reach its style while it is being destroyed, so they are never deleted.
QStyle *styleForScale(qreal scale)
{
    static auto *styles = new std::map<long, QStyle *>;
    const long key = std::lround(scale * 64.0);
    QStyle *&style = (*styles)[key];
    if (!style)
        style = new ScaledStyle(QStyleFactory::create(QApplication::style()->name()),
                                static_cast<qreal>(key) / 64.0);
    return style;
}

AutoResizing *autoResizing(QObject *object)
{
    return dynamic_cast<AutoResizing *>(object);
}

// Computed in double, kept at single precision; a superview that had no width gives 1.
qreal widthScale(qreal superviewWidth, qreal originalSuperviewWidth)
{
    if (!(originalSuperviewWidth > 0.0) || !std::isfinite(superviewWidth))
        return 1.0;
    return static_cast<double>(static_cast<float>(superviewWidth / originalSuperviewWidth));
}

// Each edge rounded on its own, so neighbouring controls stay neighbours and the initial
// layout returns exactly.
QRect pixelFrame(const QRectF &frame)
{
    const int left = static_cast<int>(std::lround(frame.left()));
    const int top = static_cast<int>(std::lround(frame.top()));
    const int right = static_cast<int>(std::lround(frame.left() + frame.width()));
    const int bottom = static_cast<int>(std::lround(frame.top() + frame.height()));
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

} // namespace

QRectF fittedPicture(QSizeF area, QSizeF aspectRatio)
{
    if (!(aspectRatio.width() > 0.0) || !(aspectRatio.height() > 0.0) || area.isEmpty())
        return QRectF(QPointF(0.0, 0.0), area);
    const qreal width = std::min(area.width(), area.height() * aspectRatio.width() / aspectRatio.height());
    const qreal height = width * aspectRatio.height() / aspectRatio.width();
    return {(area.width() - width) / 2.0, (area.height() - height) / 2.0, width, height};
}

void resizeSubviews(QWidget &superview, QSize oldSize, std::optional<QRectF> picture)
{
    if (!oldSize.isValid())
        oldSize = superview.size();
    // Copy: a child's resize may create or delete widgets (a combo box's popup).
    const QObjectList children = superview.children();
    for (QObject *child : children) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (AutoResizing *control = autoResizing(child); control && widget && !widget->isWindow())
            control->resizeWithOldSuperviewSize(QSizeF(oldSize), picture);
    }
}

void captureOriginalLayout(QWidget &root)
{
    const QList<QWidget *> descendants = root.findChildren<QWidget *>();
    for (QWidget *widget : descendants) {
        AutoResizing *control = autoResizing(widget);
        if (control && !control->mIsOriginalSet && widget->parentWidget() && !widget->isWindow())
            control->captureOriginal(QSizeF(widget->parentWidget()->size()));
    }
}

AutoResizing::AutoResizing(QWidget &control, Content content)
    : mControl(control), mContent(content)
{
}

AutoResizing::~AutoResizing() = default;

void AutoResizing::captureOriginal(QSizeF superviewSize)
{
    mIsOriginalSet = true;
    mOriginalSuperviewSize = superviewSize;
    mOriginalFrame = QRectF(mControl.geometry());
    mOriginalFont = mControl.font();
}

void AutoResizing::resizeWithOldSuperviewSize(QSizeF oldSuperviewSize, std::optional<QRectF> picture)
{
    const QWidget *superview = mControl.parentWidget();
    if (!picture)
        picture = QRectF(QPointF(0.0, 0.0), superview ? QSizeF(superview->size()) : QSizeF());
    if (!mIsOriginalSet) {
        captureOriginal(oldSuperviewSize);
        captureOriginalLayout(mControl);
    }
    const qreal scale = superview ? widthScale(picture->width(), mOriginalSuperviewSize.width()) : 0.0;
    // Children (of a box) are placed by this call's resize event, before the font changes,
    // so they never see a scaled font they did not ask for.
    const QRectF scaled(mOriginalFrame.topLeft() * scale, mOriginalFrame.size() * scale);
    mControl.setGeometry(pixelFrame(scaled.translated(picture->topLeft())));
    if (mContent == Content::Zoomed)
        applyContentScale(scale);
    didResize();
}

void AutoResizing::applyContentScale(qreal scale)
{
    if (scale == mContentScale || !(scale > 0.0))
        return;
    mContentScale = scale;
    if (scale == 1.0) {
        mControl.setFont(mOriginalFont);
        mControl.setStyle(nullptr);
        return;
    }
    QFont font = mOriginalFont;
    if (mOriginalFont.pointSizeF() > 0.0)
        font.setPointSizeF(mOriginalFont.pointSizeF() * scale);
    else if (mOriginalFont.pixelSize() > 0)
        font.setPixelSize(std::max(1, qRound(mOriginalFont.pixelSize() * scale)));
    mControl.setFont(font);
    mControl.setStyle(styleForScale(scale));
}

AutoResizeLabel::AutoResizeLabel(QWidget *parent) : QLabel(parent), AutoResizing(*this, Content::Zoomed) {}

QFont AutoResizeLabel::fittedFont() const
{
    QFont fitted = font();
    const qreal room = contentsRect().width() - 2 * margin();
    // Shrinking by the measured ratio can still overshoot by a pixel: hinting is not linear.
    for (int step = 0; step < 4 && room > 0.0; ++step) {
        const qreal width = QFontMetricsF(fitted).horizontalAdvance(text());
        if (width <= room)
            break;
        const qreal ratio = room / width * (step == 0 ? 1.0 : 0.97);
        if (fitted.pointSizeF() > 0.0)
            fitted.setPointSizeF(fitted.pointSizeF() * ratio);
        else
            fitted.setPixelSize(std::max(1, static_cast<int>(fitted.pixelSize() * ratio)));
    }
    return fitted;
}

void AutoResizeLabel::paintEvent(QPaintEvent *event)
{
    const QFont fitted = fittedFont();
    if (fitted == font() || textFormat() == Qt::RichText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(fitted);
    const QRect box = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, box, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), text(), foregroundRole());
}

AutoResizeSlider::AutoResizeSlider(QWidget *parent) : QSlider(parent), AutoResizing(*this, Content::Zoomed) {}

AutoResizePopUpButton::AutoResizePopUpButton(QWidget *parent) : QComboBox(parent), AutoResizing(*this, Content::Zoomed) {}

// QComboBox::paintEvent with the label elided to the field the style gives it.
void AutoResizePopUpButton::paintEvent(QPaintEvent *event)
{
    if (isEditable()) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int icon = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width() - icon - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

AutoResizeTextField::AutoResizeTextField(QWidget *parent) : QLineEdit(parent), AutoResizing(*this, Content::Zoomed) {}

void AutoResizeTextField::didResize()
{
    if (!isReadOnly())
        window()->setFocus(Qt::OtherFocusReason);
}

AutoResizeBox::AutoResizeBox(QWidget *parent) : QGroupBox(parent), AutoResizing(*this, Content::Zoomed) {}

void AutoResizeBox::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    resizeSubviews(*this, event->oldSize());
}

AutoResizeView::AutoResizeView(QWidget *parent) : QWidget(parent), AutoResizing(*this, Content::Stretched) {}

void AutoResizeView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resizeSubviews(*this, event->oldSize());
}

} // namespace quaverly
