// SPDX-License-Identifier: GPL-3.0-or-later
// The controls with the events the game relies on, key preview, and the windows' font.
#include "ui/Controls.h"

#include "game/Challenge.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace ui {
namespace {

constexpr int kFocusMarkWidth = 2;

} // namespace

Shape::Shape(QWidget* parent, const QRect& geometry, const QColor& fill) : QWidget(parent), fill_(fill)
{
    setGeometry(geometry);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding); // a key grows with its window
}

void Shape::setFill(const QColor& fill)
{
    fill_ = fill;
    update();
}

void Shape::setNote(int midiNote)
{
    setAccessibleName(game::NoteName(midiNote));
}

void Shape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(fill_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

Button::Button(QWidget* parent, const QString& caption, const QRect& geometry) : QPushButton(caption, parent)
{
    setGeometry(geometry);
}

Button::Button(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
}

void Button::mousePressEvent(QMouseEvent* event)
{
    emit mouseDown();
    QPushButton::mousePressEvent(event);
}

void Button::mouseReleaseEvent(QMouseEvent* event)
{
    QPushButton::mouseReleaseEvent(event);
    emit mouseUp();
}

namespace {

bool IsEnter(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

// Hands `event` to a push button's own key handling, Enter and Return as the space bar.
template <typename Handle> void PassEnterAsSpace(QKeyEvent* event, Handle handle)
{
    if (!IsEnter(*event))
        return handle(event);
    QKeyEvent space(event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
                    event->isAutoRepeat());
    handle(&space);
}

} // namespace

void Button::keyPressEvent(QKeyEvent* event)
{
    PassEnterAsSpace(event, [this](QKeyEvent* e) { QPushButton::keyPressEvent(e); });
}

void Button::keyReleaseEvent(QKeyEvent* event)
{
    PassEnterAsSpace(event, [this](QKeyEvent* e) { QPushButton::keyReleaseEvent(e); });
}

Label::Label(QWidget* parent, const QString& text, const QPoint& position) : QLabel(text, parent)
{
    move(position);
    adjustSize();
}

void Label::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

ScrollBar::ScrollBar(QWidget* parent, const QRect& geometry, int minimum, int maximum)
    : QScrollBar(Qt::Horizontal, parent)
{
    setGeometry(geometry);
    setRange(minimum, maximum);
    setSingleStep(1);
    setPageStep(1);
    // Qt's scroll bars run arrow keys and the wheel backwards; a tuning slider goes up to the right.
    setInvertedControls(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::actionTriggered, this, &ScrollBar::stopRepeatBehindABox);
    connect(this, &QScrollBar::valueChanged, this, [this] {
        setEnabled(true);
        // The description carries the value in cents to screen readers (ui::InstallAccessibility).
        QAccessibleEvent described(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
        emit changed();
    });
}

void ScrollBar::describe(const QString& name, std::function<int()> centsPerStep)
{
    setAccessibleName(name);
    centsPerStep_ = std::move(centsPerStep);
}

void ScrollBar::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusMarkWidth));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void ScrollBar::mousePressEvent(QMouseEvent* event)
{
    pressing_ = true;
    QScrollBar::mousePressEvent(event);
    pressing_ = false;
}

// A message box opened by the change handling takes the mouse's release: without this check the
// arrow's repeat would go on stepping behind the box, one more box per step. The press's own step
// always runs (a press that no window system delivered leaves the button state unknown); the
// repeats that follow, also those timed while the box is open, are checked.
void ScrollBar::stopRepeatBehindABox()
{
    if (std::exchange(pressing_, false) || repeatAction() == SliderNoAction)
        return;
    if (QApplication::activeModalWidget() || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        setRepeatAction(SliderNoAction);
        setSliderPosition(value());
    }
}

namespace {

// Runs a handler whenever the watched object receives events of one type, or the first time only.
class EventHook : public QObject {
public:
    enum class Times { Every, Once };

    EventHook(QObject* parent, QEvent::Type type, std::function<void()> handler, Times times = Times::Every)
        : QObject(parent), type_(type), handler_(std::move(handler)), times_(times)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == type_ && handler_) {
            handler_();
            if (times_ == Times::Once) {
                handler_ = nullptr;
                deleteLater();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type type_;
    std::function<void()> handler_;
    Times times_;
};

bool IsTab(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
}

// The keys that open a closed drop-down list: Alt+Down, Alt+Up and F4.
bool OpensList(const QKeyEvent& event)
{
    const bool alt = event.modifiers() & Qt::AltModifier;
    return event.key() == Qt::Key_F4 || (alt && (event.key() == Qt::Key_Down || event.key() == Qt::Key_Up));
}

// The keys an open list acts on: moving within it, choosing (Return, Enter), closing (Escape).
bool WorksOpenList(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Keeps the piano's keys from the drop-down list: while it is closed only Tab and the keys that
// open it reach it (a letter would pick a device by its initial, an arrow would switch devices);
// while it is open, the keys that move in it and choose, and Tab, which closes it and moves on.
class ListKeyFilter : public QObject {
public:
    explicit ListKeyFilter(QComboBox* list) : QObject(list), list_(list) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const bool onOpenList = watched != list_;
        if (!IsTab(key)) // the open list picks its item on Return's shortcut override
            return !(onOpenList ? WorksOpenList(key) : OpensList(key));
        if (type == QEvent::ShortcutOverride || !onOpenList)
            return false;
        if (type == QEvent::KeyPress) { // on the open list: close it and move on from the list
            list_->hidePopup();
            QCoreApplication::sendEvent(list_, event);
        }
        return true;
    }

private:
    QComboBox* list_;
};

} // namespace

void KeepKeysFromList(QComboBox* list)
{
    auto* filter = new ListKeyFilter(list);
    list->installEventFilter(filter);
    list->view()->installEventFilter(filter);
}

void NameList(QComboBox* list, const QString& name)
{
    list->setAccessibleName(name);
    auto* label = new QLabel(name, list->parentWidget());
    label->setBuddy(list);
    label->hide();
}

void ShowFocus(QWidget* window)
{
    window->setAttribute(Qt::WA_KeyboardFocusChange);
}

void CloseOnEscape(QWidget* window)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

void OnActivate(QWidget* window, std::function<void()> handler)
{
    window->installEventFilter(new EventHook(window, QEvent::WindowActivate, std::move(handler)));
}

void AfterFirstPaint(QWidget* window, std::function<void()> handler)
{
    // Posted: the painting ends first.
    window->installEventFilter(new EventHook(
        window, QEvent::Paint,
        [window, handler = std::move(handler)] { QTimer::singleShot(0, window, handler); },
        EventHook::Times::Once));
}

void SetBounds(QWidget* window, const QRect& bounds)
{
    window->move(bounds.topLeft());
    window->resize(bounds.size());
}

void OfferBoard(QPushButton* button, bool addressSet)
{
    button->setEnabled(addressSet);
    button->setToolTip(addressSet ? QStringLiteral("インターネットへの接続が伴います")
                                  : QStringLiteral("掲示板のアドレスが設定されていません。velmora.ini の "
                                                   "[board] に url=（掲示板のアドレス）と書くと使えます。"));
}

void WidenForTitle(QWidget* window)
{
    // Window managers draw titles in a bold font of about the application's size, and an icon
    // and the minimize, maximize and close buttons, each about as wide as the title bar is high.
    constexpr int kFrameItems = 4;
    constexpr int kFrameItemWidth = 26;
    constexpr int kTitlePadding = 24;
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int needed = QFontMetrics(bold).horizontalAdvance(window->windowTitle()) +
                       kFrameItems * kFrameItemWidth + kTitlePadding;
    if (window->width() < needed)
        window->resize(needed, window->height());
}

QFont FormFont(int pixelHeight)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace ui
