#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <initializer_list>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

// Building the programs' windows the way they look and behave everywhere: a fixed client area,
// centred on the screen, and controls placed by pixels with a name, a caption and the standard
// options of their kind. Controls are stacked in the order they are made, the last one made on
// top, so a window makes them from the bottom of its stack to the top.
namespace windowkit {

enum class TitleButtons {
    MinimizeAndClose,  // a main window: system menu, minimize and close
    CloseOnly,         // a small modal window: system menu and close
};

enum class TextAlign { Left, Centred };

// A top-level window whose client area is `clientSize`, which the user cannot resize or
// maximise, on the button-face background, placed in the middle of the screen.
void setUpWindow(QWidget* window, const QString& title, QSize clientSize, TitleButtons buttons);

// Moves the window so that its outer box, frame included, is in the middle of its screen (halves
// rounded down). Before the window system has framed it, the frame is taken as 3 pixels at the
// sides and the bottom and 26 at the top.
void centreOnScreen(QWidget* window);

// A push button that is never a default button, so Enter does not press it.
QPushButton* addButton(QWidget* window, const QString& name, const QString& caption,
                       const QRect& place);
// A one-line edit box without a length limit of its own.
QLineEdit* addEditBox(QWidget* window, const QString& name, const QRect& place,
                      TextAlign align = TextAlign::Left);
// A caption on a transparent background that never takes the focus; clicks go through it to
// whatever lies below, so a caption that overlaps an edit box does not hide its edge.
QLabel* addLabel(QWidget* window, const QString& name, const QString& caption, const QRect& place);
// A smooth horizontal bar from 0 to 100 at 0, without a percentage text.
QProgressBar* addProgressBar(QWidget* window, const QString& name, const QRect& place);
// A timer that does not tick until a period is written (controls::setTimerPeriod).
QTimer* addTimer(QObject* owner, const QString& name);

// Tab moves through `sequence` in this order and Shift+Tab back, both wrapping around and
// skipping controls that are disabled or hidden; the first one gets the focus when the window is
// first activated.
void setTabSequence(std::initializer_list<QWidget*> sequence);

// The typed characters that an integer-text box keeps: control characters (below 32, and DEL),
// the digits "0" to "9" and "-".
QString keepIntegerCharacters(const QString& typed);

// Makes an edit box drop every typed character from 32 up that is not a digit or "-", whether it
// comes from a key or from an input method; pasting is not typing and passes unchanged.
void acceptOnlyIntegerText(QLineEdit* box);

// A main window: Esc closes it as its close box does, whichever control has the focus, and the
// first close runs the program's exit routine once.
class FixedWindow : public QWidget {
    Q_OBJECT
public:
    explicit FixedWindow(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The program's exit routine; runs once, when the window first closes.
    virtual void onProgramExit() {}

private:
    bool exited_ = false;
};

}  // namespace windowkit
