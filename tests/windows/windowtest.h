#pragma once

#include <QApplication>
#include <QString>
#include <QTest>
#include <functional>

class QLineEdit;
class QWidget;

// What the window tests share: input that goes the way a person's does, through the window
// system, so a modal window blocks it as it would block a person.
namespace windowtest {

// A left click in the middle of `control`, delivered to its window.
void click(QWidget* control);
// A key with modifiers, delivered to the window of `control`; it reaches the focused control.
void key(QWidget* anyControlOfTheWindow, int key, int modifiers = 0);
// Types `text` into the focused control of `box`'s window: ASCII characters as key presses, any
// other character as an input method's commit, as a user with an input method types Chinese.
void type(QWidget* box, const QString& text);
// Puts `text` on the clipboard and pastes it into `box` with Ctrl+V.
void paste(QLineEdit* box, const QString& text);

// Runs `open`, which opens a modal window and returns when it has closed, and, once the modal
// window is up, runs `body` with it inside the modal loop; whatever modal window `open` opened
// that is still open afterwards is closed, so a failing body cannot leave the test waiting.
// False when no modal window opened within five seconds.
bool whileModal(const std::function<void()>& open, const std::function<void(QWidget* modal)>& body);
// The same, with a click on `opener` as what opens the modal window.
bool whileModal(QWidget* opener, const std::function<void(QWidget* modal)>& body);

// Shows the window and waits (at most five seconds) until it is active.
bool showAndActivate(QWidget* window);

// The objectName of the window's focused control, or "" when none has the focus.
QString focusName(QWidget* window);

// For the main below: the offscreen platform unless another was asked for, no SIGPIPE, and the
// programs' own look.
void prepareApplication();
void applyLook(QApplication& app);

}  // namespace windowtest

// The main of a window test program: a real QApplication on the offscreen platform with the
// programs' own look, so fonts and sizes are those the user sees.
#define VC_WINDOW_TEST_MAIN(TestClass)          \
    int main(int argc, char** argv) {           \
        windowtest::prepareApplication();       \
        QApplication app(argc, argv);           \
        windowtest::applyLook(app);             \
        TestClass test;                         \
        return QTest::qExec(&test, argc, argv); \
    }
