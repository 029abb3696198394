// SPDX-License-Identifier: GPL-3.0-or-later
// The controls the windows are built from, with the events the game relies on: mouse down and up
// with any button, a label's click, a slider that runs its change handling for every new position.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include <functional>

namespace ui {

// A filled rectangle with a black outline; its fill colour is set at run time.
class Shape : public QWidget {
    Q_OBJECT
public:
    Shape(QWidget* parent, const QRect& geometry, const QColor& fill);
    void setFill(const QColor& fill);
    QColor fill() const { return fill_; }
    // Names the key for a screen reader by the note it plays ("F#3").
    void setNote(int midiNote);

signals:
    void mouseDown();
    void mouseUp();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override { emit mouseDown(); }
    void mouseReleaseEvent(QMouseEvent*) override { emit mouseUp(); }

private:
    QColor fill_;
};

// A widget that draws a picture: a screen reader learns it as an image, by its accessible name.
class Picture : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

// A push button that also reports mouse down and up for any mouse button. On release the click
// (if any) comes first, then the mouse-up. Enter and Return press it like the space bar.
class Button : public QPushButton {
    Q_OBJECT
public:
    Button(QWidget* parent, const QString& caption, const QRect& geometry);
    // A button placed by a layout.
    explicit Button(const QString& caption, QWidget* parent = nullptr);

signals:
    void mouseDown();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

// A label with a click event.
class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget* parent, const QString& text, const QPoint& position);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A horizontal slider whose change event fires once for every new position, whatever moved it
// (the player, the program, a range change clamping it); a position change also enables it. It
// takes the keyboard focus (arrow keys step it). Holding an arrow repeats only while the mouse
// button is down and no message box is open, so one click is one step even when the change
// handling opens a box.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(QWidget* parent, const QRect& geometry, int minimum, int maximum);

    // How a screen reader names it (its pitch class) and how many cents a step is: its position
    // is read out in cents ("+6 cents").
    void describe(const QString& name, std::function<int()> centsPerStep);
    int centsPerStep() const { return centsPerStep_(); }
    int cents() const { return value() * centsPerStep(); }

signals:
    void changed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Draws a focus mark, which the Fusion style does not: the player who moves the sliders with
    // the arrow keys sees which one moves.
    void paintEvent(QPaintEvent* event) override;

private:
    void stopRepeatBehindABox();

    bool pressing_ = false; // the press's own first step is running
    std::function<int()> centsPerStep_ = [] { return 1; };
};

// Keeps the piano's keys from a drop-down list: closed, it takes Tab and the keys that open it
// (Alt+Down, Alt+Up, F4); open, the keys that move in it, Return and Enter that choose, Escape, and
// Tab, which moves the focus on. The program's keys (ui::ProgramKeys) see every key before it does.
void KeepKeysFromList(QComboBox* list);

// Names a drop-down list for a screen reader. On Linux Qt names a drop-down list by its current
// item and leaves its name to a label that has it as buddy: this gives it one, unseen.
void NameList(QComboBox* list, const QString& name);

// Marks the focused control of `window` at once, as after a Tab: the Fusion style otherwise marks
// focus only once the keyboard has moved it, and a keyboard player would not see where it is.
void ShowFocus(QWidget* window);

// Escape closes `window` as its close box does.
void CloseOnEscape(QWidget* window);

// Places a window: left and top of its frame, width and height of its inside.
void SetBounds(QWidget* window, const QRect& bounds);

// Widens a window whose title the window manager would cut short: room for the title in a bold
// font beside the frame's icon and three buttons.
void WidenForTitle(QWidget* window);

// Runs `handler` when `window` becomes the active window.
void OnActivate(QWidget* window, std::function<void()> handler);

// Runs `handler` once, from the event loop, after `window` was first painted: it is on screen.
void AfterFirstPaint(QWidget* window, std::function<void()> handler);

// Enables the results board's button when the settings file names the board; its tooltip says
// what a press does, or why it cannot be pressed and how to make it work.
void OfferBoard(QPushButton* button, bool addressSet);

// The windows' base font: "ＭＳ Ｐゴシック" where it exists, else its metric-compatible stand-in.
QFont FormFont(int pixelHeight = 12);

} // namespace ui
