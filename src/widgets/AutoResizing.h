// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRectF>
#include <QSizeF>
#include <QSlider>
#include <QWidget>

#include <optional>

namespace quaverly {

// What every scaling control shares. A control remembers the frame it had in the initial
// layout and, at each resize of its superview, is placed from that frame scaled by the
// picture's width ratio, so the window zooms like a picture instead of re-flowing. The
// picture is the superview itself (a taller superview at the same width only uncovers space
// at the bottom: the layout hangs from the top) unless the window fits it into a size that
// does not keep its aspect ratio (maximised, tiled).
//
// Content scaling: Qt widgets have no bounds transform, so the control's content is zoomed by
// scaling its font (point or pixel size of the font it had initially) and, for controls drawn
// by the style, by giving it a style whose size metrics (frame widths, slider handle, combo
// arrow, indicators) are multiplied by the same scale. Image views and the display views draw
// their artwork scaled into their rectangle themselves.
//
// The superview (ResizeWindow's content, an AutoResizeBox, an AutoResizeView) calls
// resizeWithOldSuperviewSize on each AutoResize child after it has been resized, before the
// children have moved. Main thread only.
class AutoResizing {
public:
    virtual ~AutoResizing();

    AutoResizing(const AutoResizing &) = delete;
    AutoResizing &operator=(const AutoResizing &) = delete;

    // oldSuperviewSize is only read on the first call, which captures the initial layout.
    // picture is the part of the superview the initial layout is zoomed into: its width sets
    // the scale, its top-left corner the origin (default: the whole superview, top-hung).
    void resizeWithOldSuperviewSize(QSizeF oldSuperviewSize, std::optional<QRectF> picture = std::nullopt);

    bool isOriginalSet() const { return mIsOriginalSet; }
    QRectF originalFrame() const { return mOriginalFrame; }
    // 1 until the first scaled resize.
    qreal contentScale() const { return mContentScale; }

protected:
    enum class Content {
        Zoomed,    // font and style metrics follow the scale (the controls)
        Stretched, // the subclass draws its own content into its bounds (AutoResizeView)
    };

    AutoResizing(QWidget &control, Content content);

    // After the frame has been set at each resize; the text field ends editing here.
    virtual void didResize() {}

private:
    friend void captureOriginalLayout(QWidget &root);

    void captureOriginal(QSizeF superviewSize);
    void applyContentScale(qreal scale);

    QWidget &mControl;
    Content mContent;
    QRectF mOriginalFrame;
    QSizeF mOriginalSuperviewSize;
    bool mIsOriginalSet = false;
    QFont mOriginalFont;
    qreal mContentScale = 1.0;
};

// The largest rectangle of the given aspect ratio (width : height) inside area, centred: a
// maximised, tiled or full-screen window shows the whole picture scaled by its limiting
// dimension. An empty ratio gives the whole area.
[[nodiscard]] QRectF fittedPicture(QSizeF area, QSizeF aspectRatio);

// Calls resizeWithOldSuperviewSize on every direct AutoResize child of superview. An invalid
// old size (the first resize event Qt sends when a widget is shown) counts as unchanged.
void resizeSubviews(QWidget &superview, QSize oldSize, std::optional<QRectF> picture = std::nullopt);

// Captures the initial geometry and font of every AutoResize descendant of root that has
// none yet, before anything is scaled (a scaled box font would otherwise be inherited and
// taken for a child's original).
void captureOriginalLayout(QWidget &root);

// A caption or readout that scales with its window, zoomed like the text field it replaces. A
// label, not a read-only line edit, so that a screen reader presents it as text rather than as
// an edit box, and a caption can name its control as its buddy.
// A text wider than the label (a long note name such as "Sol", a long translated caption) is
// drawn in a font just small enough to fit, so it is never clipped at any window size.
class AutoResizeLabel : public QLabel, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeLabel(QWidget *parent = nullptr);

    // The font the text is drawn in: the label's font, or a smaller one that fits its width.
    [[nodiscard]] QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A slider that scales with its window; its handle and groove grow with it.
class AutoResizeSlider : public QSlider, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeSlider(QWidget *parent = nullptr);
};

// A box that scales with its window and places its own AutoResize children from their initial
// geometry whenever it is resized, as the window's content does.
class AutoResizeBox : public QGroupBox, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeBox(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// A plain view that scales with its window without zooming a font or style: subclasses draw
// their own content into their scaled bounds. Places its AutoResize children like a box does.
class AutoResizeView : public QWidget, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeView(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// A text field that scales with its window (AutoResizing). When it is editable, every resize
// takes the keyboard focus to the window, which ends any editing in progress (a value half
// typed is committed through editingFinished rather than left open under a moving field).
class AutoResizeTextField : public QLineEdit, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeTextField(QWidget *parent = nullptr);

protected:
    void didResize() override;
};

// A pop-up menu button that scales with its window (AutoResizing): text and arrow grow with it.
// A chosen item too long for the button (a transposition with its instruments, a translated
// text, a long device name) ends in "…" rather than being cut off; the open menu shows it whole.
class AutoResizePopUpButton : public QComboBox, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizePopUpButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quaverly
