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

// A push button that also reports mouse down and up for any mouse button. On release the click
// (if any) comes first, then the mouse-up. Enter and Return press it like the space bar.
class Button : public QPushButton {
    Q_OBJECT
public:
    Button(QWidget* parent, const QString& caption, const QRect& geometry);

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

signals:
    void changed();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void stopRepeatBehindABox();

    bool pressing_ = false; // the press's own first step is running
};

// Makes a drop-down list act on no key but Tab, which moves the focus on, also while its list is
// open. The program's keys (ui::ProgramKeys) see every key before the list does.
void KeepKeysFromList(QComboBox* list);

// Key events on `control` itself, after the program's keys, without auto-repeat releases.
void OnControlKeys(QWidget* control, std::function<void()> keyDown, std::function<void()> keyUp);

// Places a window: left and top of its frame, width and height of its inside.
void SetBounds(QWidget* window, const QRect& bounds);

// Runs `handler` when `window` becomes the active window.
void OnActivate(QWidget* window, std::function<void()> handler);

// The windows' base font: "ＭＳ Ｐゴシック" where it exists, else its metric-compatible stand-in.
QFont FormFont(int pixelHeight = 12);

} // namespace ui
