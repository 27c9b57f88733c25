// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleInterfaces.h"

#include "display/StrobeView.h"
#include "display/TuningMeterView.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/AutoResizing.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/DisclosureButton.h"
#include "widgets/SpokenReading.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace quaverly {
namespace {

// Actions done by sending the keys that do them, so they reach the controller as the user's.
class KeyedAccessible : public QAccessibleWidget {
public:
    struct Action {
        QString name;
        Qt::Key key;
    };

    KeyedAccessible(QWidget *widget, QAccessible::Role role, QList<Action> actions)
        : QAccessibleWidget(widget, role)
        , mActions(std::move(actions))
    {
    }

    QStringList actionNames() const override
    {
        QStringList names;
        for (const Action &a : mActions)
            names << a.name;
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        const Action *a = action(name);
        if (!a) {
            QAccessibleWidget::doAction(name);
            return;
        }
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, a->key, Qt::NoModifier);
            QCoreApplication::sendEvent(widget(), &event);
        }
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        const Action *a = action(name);
        return a ? QStringList{QKeySequence(a->key).toString()} : QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    const Action *action(const QString &name) const
    {
        const auto it = std::ranges::find(mActions, name, &Action::name);
        return it == mActions.end() ? nullptr : &*it;
    }

    QList<Action> mActions;
};

class PopUpAccessible final : public QAccessibleWidget {
public:
    explicit PopUpAccessible(QComboBox *popUp) : QAccessibleWidget(popUp, QAccessible::ComboBox)
    {
        // The list it opens is focusable too and carries the same name. Queued: the interface
        // may be made while the window is being built, before the caption names its buddy.
        QMetaObject::invokeMethod(popUp, [popUp] {
            if (QAccessibleInterface *self = QAccessible::queryAccessibleInterface(popUp);
                self && popUp->view()->accessibleName().isEmpty())
                popUp->view()->setAccessibleName(self->text(QAccessible::Name));
        }, Qt::QueuedConnection);
        QObject::connect(popUp, &QComboBox::currentIndexChanged, popUp, [popUp] {
            QAccessibleValueChangeEvent event(popUp, popUp->currentText());
            QAccessible::updateAccessibility(&event);
        });
    }

    QComboBox *popUp() const { return static_cast<QComboBox *>(widget()); }

    // QAccessibleWidget names a widget by its accessible name, else by the label whose buddy
    // it is.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return popUp()->currentText();
        const QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? popUp()->currentText() : text;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = popUp()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }
    // The list of items, as Qt's own combo box interface has it.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(popUp()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == popUp()->view() ? 0 : -1;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name == showMenuAction() || name == pressAction())
            popUp()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }
};

class StepperAccessible final : public KeyedAccessible, public QAccessibleValueInterface {
public:
    explicit StepperAccessible(AutoResizeStepper *stepper)
        : KeyedAccessible(
              stepper, QAccessible::SpinBox, {{increaseAction(), Qt::Key_Up}, {decreaseAction(), Qt::Key_Down}})
    {
        QObject::connect(stepper, &AutoResizeStepper::valueChanged, stepper, [stepper](double value) {
            QAccessibleValueChangeEvent event(stepper, value);
            QAccessible::updateAccessibility(&event);
        });
    }

    AutoResizeStepper *stepper() const { return static_cast<AutoResizeStepper *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::asprintf("%.1f Hz", stepper()->value());
        return QAccessibleWidget::text(t);
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return stepper()->value(); }
    // Only steps are the stepper's action; other values are typed into the reference field.
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return stepper()->maximum(); }
    QVariant minimumValue() const override { return stepper()->minimum(); }
    QVariant minimumStepSize() const override { return stepper()->increment(); }
};

class DisclosureAccessible final : public KeyedAccessible {
public:
    explicit DisclosureAccessible(DisclosureButton *triangle)
        : KeyedAccessible(triangle, QAccessible::Button, {{pressAction(), Qt::Key_Space}})
    {
        // Every change, not only clicks: the settings shortcut and restored state too.
        QObject::connect(triangle, &DisclosureButton::toggled, triangle, [triangle] {
            QAccessible::State changed;
            changed.expanded = true;
            changed.collapsed = true;
            QAccessibleStateChangeEvent event(triangle, changed);
            QAccessible::updateAccessibility(&event);
        });
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = static_cast<const DisclosureButton *>(widget())->isChecked();
        s.collapsed = !s.expanded;
        s.checkable = false;
        s.checked = false;
        return s;
    }
};

// A picture named by its caption and what it shows. Without a caption it keeps Qt's
// interface.
QString lampText(const QString &caption, const QString &imageName)
{
    if (imageName.startsWith(QLatin1String("green")) || imageName.startsWith(QLatin1String("red")))
        return QCoreApplication::translate("AccessibleInterfaces", "%1, on", "a lamp or dot that is lit").arg(caption);
    if (imageName.startsWith(QLatin1String("yellow")))
        return QCoreApplication::translate("AccessibleInterfaces", "%1, peak", "the level lamp holding the peak")
            .arg(caption);
    return QCoreApplication::translate("AccessibleInterfaces", "%1, off", "a lamp or dot that is dark").arg(caption);
}

class PictureAccessible final : public QAccessibleWidget {
public:
    explicit PictureAccessible(QWidget *picture, QAccessible::Role role) : QAccessibleWidget(picture, role) {}

    QString text(QAccessible::Text t) const override
    {
        const QString caption = QAccessibleWidget::text(t);
        if (t != QAccessible::Name || caption.isEmpty())
            return caption;
        if (const auto *view = qobject_cast<const AutoResizeImageView *>(widget()))
            return view->image().isNull() ? caption : lampText(caption, view->image().name());
        if (const auto *strobe = qobject_cast<const StrobeView *>(widget()))
            return strobe->data() ? QCoreApplication::translate("AccessibleInterfaces", "%1, showing a tone").arg(caption)
                                  : QCoreApplication::translate("AccessibleInterfaces", "%1, no tone").arg(caption);
        return caption;
    }
};

class MeterAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    // A read-only slider: Qt has no level bar role, and an indicator reaches AT-SPI as unknown.
    explicit MeterAccessible(TuningMeterView *meter) : QAccessibleWidget(meter, QAccessible::Slider) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }

    TuningMeterView *meter() const { return static_cast<TuningMeterView *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Value)
            return QAccessibleWidget::text(t);
        const float cent = meter()->cent();
        if (!std::isfinite(cent))
            return {};
        const int cents = static_cast<int>(cent);
        if (cents < 0)
            return QCoreApplication::translate("AccessibleInterfaces", "-%n cent(s)", "needle below the note", -cents);
        return QCoreApplication::translate("AccessibleInterfaces", "+%n cent(s)", "needle at or above the note", cents);
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return static_cast<double>(meter()->cent()); }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 50.0; }
    QVariant minimumValue() const override { return -50.0; }
    QVariant minimumStepSize() const override { return 1.0; }
};

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    // Most derived class first: Qt asks again with each base class name.
    if (className == QLatin1String("quaverly::AutoResizePopUpButton"))
        return new PopUpAccessible(static_cast<QComboBox *>(widget));
    if (className == QLatin1String("quaverly::AutoResizeStepper"))
        return new StepperAccessible(static_cast<AutoResizeStepper *>(widget));
    if (className == QLatin1String("quaverly::DisclosureButton"))
        return new DisclosureAccessible(static_cast<DisclosureButton *>(widget));
    if (className == QLatin1String("quaverly::TuningMeterView"))
        return new MeterAccessible(static_cast<TuningMeterView *>(widget));
    if (className == QLatin1String("quaverly::StrobeView"))
        return new PictureAccessible(widget, QAccessible::Animation);
    if (className == QLatin1String("quaverly::AutoResizeImageView") && !widget->accessibleName().isEmpty())
        return new PictureAccessible(widget, QAccessible::Graphic);
    if (className == QLatin1String("quaverly::SpokenReading"))
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(interfaceFor); });
}

} // namespace quaverly
