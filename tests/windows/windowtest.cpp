#include "windowtest.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdlib>

#include "desktoplook.h"
#include "testutil.h"

namespace windowtest {

void prepareApplication() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::signal(SIGPIPE, SIG_IGN);
}

void applyLook(QApplication& app) {
    desktoplook::apply(app);
}

void click(QWidget* control) {
    QWidget* window = control->window();
    const QPoint centre = control->mapTo(window, control->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
}

void key(QWidget* anyControlOfTheWindow, int key, int modifiers) {
    QTest::keyClick(anyControlOfTheWindow->window()->windowHandle(), static_cast<Qt::Key>(key),
                    Qt::KeyboardModifiers(modifiers));
}

void type(QWidget* box, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 32 && c.unicode() < 127) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(c);
            QApplication::sendEvent(box, &commit);
        }
    }
}

void paste(QLineEdit* box, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

bool whileModal(const std::function<void()>& open,
                const std::function<void(QWidget* modal)>& body) {
    QWidget* before = QApplication::activeModalWidget();
    bool opened = false;
    int polls = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == before) {
            if (++polls > 500) {
                poll.stop();
            }
            return;
        }
        poll.stop();
        opened = true;
        QPointer<QWidget> guard(modal);
        body(modal);
        if (guard && guard->isVisible()) {
            guard->close();
        }
    });
    poll.start();
    open();
    // `open` returns once the modal window has closed; when none opened, wait out the poll.
    testutil::waitUntil([&] { return opened || !poll.isActive(); }, 6000);
    poll.stop();
    return opened;
}

bool whileModal(QWidget* opener, const std::function<void(QWidget* modal)>& body) {
    return whileModal([opener] { click(opener); }, body);
}

bool showAndActivate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window, 5000);
}

QString focusName(QWidget* window) {
    QWidget* focus = window->focusWidget();
    return focus ? focus->objectName() : QString();
}

}  // namespace windowtest
