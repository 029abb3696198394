// SPDX-License-Identifier: GPL-3.0-or-later
// Accessible interfaces of our own controls, and the window role for our plain windows. Without
// them Qt describes the sliders as unnamed scroll bars in steps, leaves the keyboard's keys out
// and reports the windows as fillers.
#include "ui/Accessibility.h"

#include "ui/Controls.h"

#include <QAccessibleWidget>

namespace ui {
namespace {

class AccessibleSlider final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleSlider(ScrollBar* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The value in cents as text, also as the description: Qt 6.4's AT-SPI bridge carries a value
    // only as a number (its object attributes, where a screen reader looks for a value's text, are
    // always empty), but it carries the description, kept current by ui::ScrollBar.
    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value || type == QAccessible::Description)
            return CentsText(slider()->cents());
        return QAccessibleWidget::text(type);
    }

    QVariant currentValue() const override { return slider()->cents(); }
    void setCurrentValue(const QVariant& cents) override
    {
        slider()->setValue(cents.toInt() / slider()->centsPerStep());
    }
    QVariant maximumValue() const override { return slider()->maximum() * slider()->centsPerStep(); }
    QVariant minimumValue() const override { return slider()->minimum() * slider()->centsPerStep(); }
    QVariant minimumStepSize() const override { return slider()->centsPerStep(); }

private:
    ScrollBar* slider() const { return static_cast<ScrollBar*>(widget()); }
};

// A window of ours that is a plain widget: the role Qt gives a widget is a filler's.
bool IsPlainWindow(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String("QWidget") || !widget || !widget->isWindow())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Called for each class of an object, most derived first; Qt owns what it answers.
QAccessibleInterface* Describe(const QString& className, QObject* object)
{
    if (className == QLatin1String("ui::ScrollBar"))
        return new AccessibleSlider(static_cast<ScrollBar*>(object));
    if (className == QLatin1String("ui::Picture"))
        return new QAccessibleWidget(static_cast<Picture*>(object), QAccessible::Graphic);
    if (className == QLatin1String("ui::Shape"))
        return new QAccessibleWidget(static_cast<Shape*>(object), QAccessible::Button);
    if (IsPlainWindow(className, object))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    QAccessible::installFactory(&Describe);
}

QString CentsText(int cents)
{
    return QStringLiteral("%1%2 セント").arg(cents > 0 ? QStringLiteral("+") : QString()).arg(cents);
}

} // namespace ui
