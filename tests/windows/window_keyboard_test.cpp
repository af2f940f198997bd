// The keyboard in the programs' windows: the tab sequences, the first focus and its return on
// re-activation, Esc, Enter reaching only the focused control, and the port box's input rule.
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include "allwindows.h"
#include "receiver/mainwindow.h"
#include "receiverengine.h"
#include "scriptedprompts.h"
#include "sender/mainwindow.h"
#include "sender/portwindow.h"
#include "senderengine.h"
#include "windowtest.h"

using windowtest::focusName;

namespace {

const QStringList kVespradSequence = {"编辑框路径", "按钮浏览",   "按钮发送",
                                      "编辑框客户", "编辑框大小", "按钮设置端口"};
const QStringList kPortSequence = {"编辑框port", "按钮设置"};
const QStringList kCorvaneSequence = {"编辑框IP",       "按钮连接",   "编辑框文件名",
                                      "编辑框文件大小", "编辑框端口", "按钮断开"};

}  // namespace

class WindowKeyboardTest : public QObject, private windowtest::AllWindows {
    Q_OBJECT

    // Presses Tab (or Shift+Tab) as often as the sequence is long, and lists where the focus went.
    QStringList walk(QWidget* w, int steps, bool backward) {
        QStringList visited;
        for (int i = 0; i < steps; ++i) {
            windowtest::key(w, Qt::Key_Tab, backward ? Qt::ShiftModifier : Qt::NoModifier);
            visited << focusName(w);
        }
        return visited;
    }

private slots:
    void init() {
        prompts = ScriptedPrompts();
        openWindows();
    }
    void cleanup() { closeWindows(); }

    void tab_goes_round_the_sequence_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QStringList>("sequence");
        QTest::addColumn<QString>("disabled");
        QTest::newRow("Vesprad") << "Vesprad" << kVespradSequence << "";
        QTest::newRow("Vesprad, Send disabled") << "Vesprad" << kVespradSequence << "按钮发送";
        QTest::newRow("PortWindow") << "PortWindow" << kPortSequence << "";
        QTest::newRow("Corvane") << "Corvane" << kCorvaneSequence << "";
        QTest::newRow("Corvane, Connect disabled") << "Corvane" << kCorvaneSequence << "按钮连接";
    }
    void tab_goes_round_the_sequence() {
        QFETCH(QString, which);
        QFETCH(QStringList, sequence);
        QFETCH(QString, disabled);
        QWidget* w = window(which);
        QVERIFY(windowtest::showAndActivate(w));
        // The first control has the focus when the window opens.
        QCOMPARE(focusName(w), sequence.first());
        if (!disabled.isEmpty()) {
            w->findChild<QWidget*>(disabled)->setEnabled(false);
            sequence.removeAll(disabled);
        }
        // Forward from the first, round to the first again.
        const QStringList forward = sequence.mid(1) + sequence.mid(0, 1);
        QCOMPARE(walk(w, sequence.size(), false), forward);
        // Backward from the first: to the last, then down the list to the first.
        QStringList backward;
        for (qsizetype i = sequence.size() - 1; i >= 0; --i) {
            backward << sequence[i];
        }
        QCOMPARE(walk(w, sequence.size(), true), backward);
    }

    void the_focus_returns_when_a_window_is_activated_again() {
        QVERIFY(windowtest::showAndActivate(corvane.get()));
        windowtest::key(corvane.get(), Qt::Key_Tab);
        windowtest::key(corvane.get(), Qt::Key_Tab);
        QCOMPARE(focusName(corvane.get()), "编辑框文件名");
        QVERIFY(windowtest::showAndActivate(vesprad.get()));
        QCOMPARE(focusName(vesprad.get()), "编辑框路径");
        QVERIFY(windowtest::showAndActivate(corvane.get()));
        QCOMPARE(QApplication::focusWidget(), corvane->编辑框文件名);
    }

    // Esc closes the window as its close box does from whichever control has the focus; a main
    // window's closing runs the engine's exit, and as the last window it ends the program.
    void esc_closes_the_window_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("focus");
        QTest::newRow("Vesprad, in an edit box") << "Vesprad"
                                                 << "编辑框客户";
        QTest::newRow("Vesprad, on a button") << "Vesprad"
                                              << "按钮设置端口";
        QTest::newRow("PortWindow, in its box") << "PortWindow"
                                                << "编辑框port";
        QTest::newRow("PortWindow, on Set") << "PortWindow"
                                            << "按钮设置";
        QTest::newRow("Corvane, in an edit box") << "Corvane"
                                                 << "编辑框端口";
        QTest::newRow("Corvane, on a button") << "Corvane"
                                              << "按钮断开";
    }
    void esc_closes_the_window() {
        QFETCH(QString, which);
        QFETCH(QString, focus);
        QWidget* w = window(which);
        // The engines are ready before the window shows.
        QCOMPARE(vesprad->engine().state().markerBytes, QByteArray("^&*"));
        QCOMPARE(corvane->engine().state().markerBytes, QByteArray("^&*"));
        QVERIFY(windowtest::showAndActivate(w));
        w->findChild<QWidget*>(focus)->setFocus();
        if (which == "PortWindow") {
            QSignalSpy rejected(portWindow.get(), &QDialog::rejected);
            windowtest::key(w, Qt::Key_Escape);
            QVERIFY(!w->isVisible());
            QCOMPARE(rejected.count(), 1);
            return;
        }
        // The program's loop runs as in main() and must end by the key alone.
        QTimer::singleShot(0, w, [w] { windowtest::key(w, Qt::Key_Escape); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!w->isVisible());
        const ByteBuffer& marker = which == "Vesprad" ? vesprad->engine().state().markerBytes
                                                      : corvane->engine().state().markerBytes;
        QVERIFY(marker.isEmpty());
    }

    // No button is a default button: Enter reaches only the focused control.
    void enter_presses_no_button_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("focus");
        QTest::newRow("Vesprad, in the path box") << "Vesprad"
                                                  << "编辑框路径";
        QTest::newRow("Vesprad, on Send") << "Vesprad"
                                          << "按钮发送";
        QTest::newRow("PortWindow, on Set") << "PortWindow"
                                            << "按钮设置";
        QTest::newRow("Corvane, in the address box") << "Corvane"
                                                     << "编辑框IP";
        QTest::newRow("Corvane, on Connect") << "Corvane"
                                             << "按钮连接";
    }
    void enter_presses_no_button() {
        QFETCH(QString, which);
        QFETCH(QString, focus);
        QWidget* w = window(which);
        QVERIFY(windowtest::showAndActivate(w));
        w->findChild<QWidget*>(focus)->setFocus();
        std::vector<std::unique_ptr<QSignalSpy>> clicks;
        for (QPushButton* button : w->findChildren<QPushButton*>()) {
            clicks.push_back(std::make_unique<QSignalSpy>(button, &QPushButton::clicked));
        }
        windowtest::key(w, Qt::Key_Return);
        windowtest::key(w, Qt::Key_Enter, Qt::KeypadModifier);
        for (const auto& spy : clicks) {
            QCOMPARE(spy->count(), 0);
        }
        QVERIFY(prompts.messages.empty());
        QVERIFY(w->isVisible());
        QCOMPARE(focusName(w), focus);
    }

    // The box's key-down event reports Enter (both keys) as 13 and leaves Tab and Esc to the
    // window.
    void port_box_reports_its_keys() {
        QVERIFY(windowtest::showAndActivate(portWindow.get()));
        QSignalSpy keys(portWindow.get(), &vesprad::PortWindow::portKeyPressed);
        QLineEdit* box = portWindow->编辑框port;
        QTest::keyClick(box, Qt::Key_5);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(box, Qt::Key_A);
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(keys.count(), 4);
        QCOMPARE(keys.at(0).at(0).toInt(), '5');
        QCOMPARE(keys.at(1).at(0).toInt(), 13);
        QCOMPARE(keys.at(2).at(0).toInt(), 13);
        QCOMPARE(keys.at(3).at(0).toInt(), 'A');
        QCOMPARE(focusName(portWindow.get()), "按钮设置");
    }

    // Typed characters from 32 up that are not digits or "-" are dropped; control keys work as
    // usual; an input method's commit is held to the same rule; pasting passes.
    void port_box_takes_only_digits_and_minus_when_typed_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("a letter") << "a"
                                  << "";
        QTest::newRow("a plus sign") << "+"
                                     << "";
        QTest::newRow("a point") << "."
                                 << "";
        QTest::newRow("a space") << " "
                                 << "";
        QTest::newRow("minus and digits") << "-12"
                                          << "-12";
        QTest::newRow("digits among others") << "8a0+8.0 9"
                                             << "80809";
        QTest::newRow("minus after digits") << "80-"
                                            << "80-";
    }
    void port_box_takes_only_digits_and_minus_when_typed() {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QVERIFY(windowtest::showAndActivate(portWindow.get()));
        QLineEdit* box = portWindow->编辑框port;
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), text);
    }

    void port_box_keeps_control_keys_and_filters_input_methods() {
        QVERIFY(windowtest::showAndActivate(portWindow.get()));
        QLineEdit* box = portWindow->编辑框port;
        QTest::keyClicks(box, "123");
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), "12");
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClicks(box, "9");
        QCOMPARE(box->text(), "912");
        // Delete carries the character DEL on X11.
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(box, &del);
        QCOMPARE(box->text(), "92");
        // A full-width digit is not a digit "0" to "9".
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("４5号"));
        QApplication::sendEvent(box, &commit);
        QCOMPARE(box->text(), "952");
    }

    void pasting_into_the_port_box_passes_data() {
        QTest::addColumn<QString>("pasted");
        QTest::newRow("letters after digits") << "8080abc";
        QTest::newRow("spaces around") << " 8080 ";
        QTest::newRow("full-width digits") << "８０８０";
        QTest::newRow("a tab") << "\t";
    }
    void pasting_into_the_port_box_passes() {
        QFETCH(QString, pasted);
        QVERIFY(windowtest::showAndActivate(portWindow.get()));
        windowtest::paste(portWindow->编辑框port, pasted);
        QCOMPARE(portWindow->编辑框port->text(), pasted);
    }

    // Boxes other than the port box take any character.
    void other_boxes_take_any_character() {
        QVERIFY(windowtest::showAndActivate(corvane.get()));
        QTest::keyClicks(corvane->编辑框端口, "19a+.");
        QCOMPARE(corvane->编辑框端口->text(), "19a+.");
    }
};

VC_WINDOW_TEST_MAIN(WindowKeyboardTest)
#include "window_keyboard_test.moc"
