#include "windowkit.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <limits>

namespace windowkit {
namespace {

// The frame that the window's outer size is reckoned with until the window system has framed it.
const QMargins kAssumedFrame(3, 26, 3, 3);

bool isIntegerCharacter(QChar c) {
    // DEL is what the Delete key carries on some systems: an editing key, not a typed character.
    return c.unicode() < 32 || c.unicode() == 0x7F || (c >= u'0' && c <= u'9') || c == u'-';
}

// The input rule of an integer-text box, on the keys and input-method commits that reach it.
class IntegerTextInput final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            // Ctrl with a key is a command (Ctrl+V pastes), never typing, whatever text the key
            // carries; Ctrl with Alt stands for AltGr on some systems, which does type.
            const Qt::KeyboardModifiers commands =
                key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
            if (commands == Qt::ControlModifier) {
                return false;
            }
            const QString kept = keepIntegerCharacters(key->text());
            if (kept == key->text()) {
                return false;
            }
            // Some of the key's characters go: the box gets only those that stay.
            if (!kept.isEmpty()) {
                static_cast<QLineEdit*>(watched)->insert(kept);
            }
            return true;
        }
        if (event->type() == QEvent::InputMethod) {
            auto* input = static_cast<QInputMethodEvent*>(event);
            const QString kept = keepIntegerCharacters(input->commitString());
            if (kept != input->commitString()) {
                input->setCommitString(kept, input->replacementStart(), input->replacementLength());
            }
        }
        return false;
    }
};

}  // namespace

void setUpWindow(QWidget* window, const QString& title, QSize clientSize, TitleButtons buttons) {
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (buttons == TitleButtons::MinimizeAndClose) {
        flags |= Qt::Window | Qt::WindowMinimizeButtonHint;
    } else {
        flags |= Qt::Dialog;
    }
    window->setWindowFlags(flags);
    window->setWindowTitle(title);
    window->setFixedSize(clientSize);
    window->setBackgroundRole(QPalette::Button);
    window->setAutoFillBackground(true);
    centreOnScreen(window);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QSize outer = window->frameGeometry().size();
    if (outer == window->size()) {
        outer = window->size().grownBy(kAssumedFrame);
    }
    const QRect area = screen->geometry();
    window->move(area.x() + (area.width() - outer.width()) / 2,
                 area.y() + (area.height() - outer.height()) / 2);
}

QPushButton* addButton(QWidget* window, const QString& name, const QString& caption,
                       const QRect& place) {
    auto* button = new QPushButton(caption, window);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QLineEdit* addEditBox(QWidget* window, const QString& name, const QRect& place, TextAlign align) {
    auto* box = new QLineEdit(window);
    box->setObjectName(name);
    box->setGeometry(place);
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setAlignment(align == TextAlign::Centred ? Qt::AlignCenter
                                                  : Qt::AlignLeft | Qt::AlignVCenter);
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

QLabel* addLabel(QWidget* window, const QString& name, const QString& caption, const QRect& place) {
    auto* label = new QLabel(caption, window);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    label->setFrameShape(QFrame::NoFrame);
    label->setAutoFillBackground(false);
    label->setFocusPolicy(Qt::NoFocus);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QProgressBar* addProgressBar(QWidget* window, const QString& name, const QRect& place) {
    auto* bar = new QProgressBar(window);
    bar->setObjectName(name);
    bar->setGeometry(place);
    bar->setOrientation(Qt::Horizontal);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFocusPolicy(Qt::NoFocus);
    return bar;
}

QTimer* addTimer(QObject* owner, const QString& name) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(name);
    return timer;
}

void setTabSequence(std::initializer_list<QWidget*> sequence) {
    QWidget* previous = nullptr;
    for (QWidget* w : sequence) {
        if (previous) {
            QWidget::setTabOrder(previous, w);
        }
        previous = w;
    }
    if (sequence.size() > 0) {
        // Before the window is shown this only marks the control; it takes the focus when the
        // window is first activated.
        (*sequence.begin())->setFocus(Qt::OtherFocusReason);
    }
}

QString keepIntegerCharacters(const QString& typed) {
    QString kept;
    kept.reserve(typed.size());
    for (const QChar c : typed) {
        if (isIntegerCharacter(c)) {
            kept.append(c);
        }
    }
    return kept;
}

void acceptOnlyIntegerText(QLineEdit* box) {
    box->installEventFilter(new IntegerTextInput(box));
}

FixedWindow::FixedWindow(QWidget* parent) : QWidget(parent) {}

void FixedWindow::closeEvent(QCloseEvent* event) {
    if (!exited_) {
        exited_ = true;
        onProgramExit();
    }
    event->accept();
}

void FixedWindow::keyPressEvent(QKeyEvent* event) {
    // The controls leave Esc alone, so it reaches the window from whichever has the focus.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace windowkit
