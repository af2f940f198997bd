// Both programs' windows in one process, driven only by clicks and keys as their users would:
// Corvane connects, Vesprad sends, the file arrives byte for byte, both announce the end, and the
// connection carries the next file too.
#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "messages.h"
#include "rawpeer.h"
#include "receiver/mainwindow.h"
#include "receiverengine.h"
#include "scriptedprompts.h"
#include "sender/mainwindow.h"
#include "senderengine.h"
#include "testutil.h"
#include "windowtest.h"

using Message = ScriptedPrompts::Message;
using testutil::waitUntil;

namespace {

bool shown(const ScriptedPrompts& prompts, const Message& message) {
    return std::find(prompts.messages.begin(), prompts.messages.end(), message) !=
           prompts.messages.end();
}

// Clicks into the box and types the text, as a user does.
void type(QLineEdit* box, const QString& text) {
    windowtest::click(box);
    windowtest::type(box, text);
}

// Runs the program's loop as main() does until it ends by itself (true) or five seconds pass.
bool programEndsAfter(const std::function<void()>& action) {
    QTimer::singleShot(0, qApp, action);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(5000);
    return QApplication::exec() == 0;
}

const Message kSent{"文件发送完成!", "OK"};
const Message kReceived{"文件接收完成!", "OK"};

}  // namespace

class ProgramsTest : public QObject {
    Q_OBJECT

private slots:
    void a_file_crosses_by_the_users_actions_alone() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray first = testutil::randomBytes(25'001, 7);
        const QByteArray second = testutil::randomBytes(1'000, 8);
        const QString firstPath = dir.filePath("测试文件.bin");
        const QString secondPath = dir.filePath("second.dat");
        testutil::writeFile(firstPath, first);
        testutil::writeFile(secondPath, second);

        ScriptedPrompts senderUser;
        ScriptedPrompts receiverUser;
        vesprad::MainWindow vesprad(senderUser, 0);
        corvane::MainWindow corvane(receiverUser);
        QVERIFY(windowtest::showAndActivate(&vesprad));
        QVERIFY(windowtest::showAndActivate(&corvane));

        // Corvane's user types the sender's address and port and connects.
        type(corvane.编辑框IP, "127.0.0.1");
        type(corvane.编辑框端口, QString::number(vesprad.服务器1->listeningPort()));
        windowtest::click(corvane.按钮连接);
        QCOMPARE(receiverUser.messages,
                 (std::vector<Message>{{"连接发送服务端成功!", "连接成功"}}));
        QVERIFY(!corvane.按钮连接->isEnabled());
        QVERIFY(waitUntil([&] { return vesprad.编辑框客户->text().startsWith("127.0.0.1:"); }));

        // Vesprad's user types a path and presses Send; Corvane's user saves under another name.
        const QString firstSaved = dir.filePath("收到的.bin");
        receiverUser.saveAnswers.push_back(firstSaved);
        QVERIFY(windowtest::showAndActivate(&vesprad));
        type(vesprad.编辑框路径, firstPath);
        windowtest::click(vesprad.按钮发送);
        QVERIFY(waitUntil(
            [&] { return shown(senderUser, kSent) && shown(receiverUser, kReceived); }, 15000));
        QCOMPARE(receiverUser.saveSuggestions, QStringList{"测试文件.bin"});
        QCOMPARE(testutil::readFile(firstSaved), first);
        QCOMPARE(vesprad.编辑框大小->text(), "25001");
        QCOMPARE(corvane.编辑框文件名->text(), "测试文件.bin");
        QCOMPARE(corvane.编辑框文件大小->text(), "25001");
        QCOMPARE(vesprad.进度条1->value(), 100);
        QCOMPARE(corvane.进度条1->value(), 100);
        QVERIFY(vesprad.按钮发送->isEnabled());

        // The next file by Browse, and Send pressed from the keyboard: Tab from Browse to Send,
        // then Space.
        senderUser.messages.clear();
        receiverUser.messages.clear();
        senderUser.openAnswers.push_back(secondPath);
        const QString secondSaved = dir.filePath("second-copy.dat");
        receiverUser.saveAnswers.push_back(secondSaved);
        QVERIFY(windowtest::showAndActivate(&vesprad));
        windowtest::click(vesprad.按钮浏览);
        QCOMPARE(vesprad.编辑框路径->text(), secondPath);
        windowtest::key(&vesprad, Qt::Key_Tab);
        QCOMPARE(windowtest::focusName(&vesprad), "按钮发送");
        windowtest::key(&vesprad, Qt::Key_Space);
        QVERIFY(waitUntil(
            [&] { return shown(senderUser, kSent) && shown(receiverUser, kReceived); }, 15000));
        QCOMPARE(testutil::readFile(secondSaved), second);
        QCOMPARE(corvane.编辑框文件大小->text(), "1000");

        // Each program ends by Esc in its window.
        windowtest::key(&corvane, Qt::Key_Escape);
        windowtest::key(&vesprad, Qt::Key_Escape);
        QVERIFY(!corvane.isVisible());
        QVERIFY(!vesprad.isVisible());
    }

    // Esc ends either program in the middle of a transfer; the exit lets go of the open file.
    void esc_ends_vesprad_in_the_middle_of_a_transfer() {
        QTemporaryDir dir;
        const QString path = dir.filePath("big.bin");
        testutil::writeFile(path, testutil::randomBytes(50'000));
        ScriptedPrompts user;
        auto vesprad = std::make_unique<vesprad::MainWindow>(user, 0);
        QVERIFY(windowtest::showAndActivate(vesprad.get()));
        RawPeer receiver;
        QVERIFY(receiver.connectTo(vesprad->服务器1->listeningPort()));
        QVERIFY(waitUntil([&] { return !vesprad->编辑框客户->text().isEmpty(); }));
        type(vesprad->编辑框路径, path);
        windowtest::click(vesprad->按钮发送);
        QVERIFY(receiver.read(1000).size() >= 1000);
        QVERIFY(receiver.write("^&*"));
        QVERIFY(waitUntil([&] { return vesprad->进度条1->value() == 4; }));
        QVERIFY(programEndsAfter([&] { windowtest::key(vesprad.get(), Qt::Key_Escape); }));
        QVERIFY(!vesprad->engine().state().sourceFile.isOpen());
        vesprad.reset();
        QVERIFY(receiver.waitClosed(2000));
        QVERIFY(user.messages.empty());
    }

    void esc_ends_corvane_in_the_middle_of_a_transfer() {
        QTemporaryDir dir;
        const QString target = dir.filePath("partial.bin");
        ScriptedPrompts user;
        user.saveAnswers.push_back(target);
        auto corvane = std::make_unique<corvane::MainWindow>(user);
        QVERIFY(windowtest::showAndActivate(corvane.get()));
        RawPeer sender;
        const quint16 port = sender.listen();
        type(corvane->编辑框IP, "127.0.0.1");
        type(corvane->编辑框端口, QString::number(port));
        windowtest::click(corvane->按钮连接);
        QVERIFY(sender.accept(2000));
        const QByteArray data = testutil::randomBytes(5000);
        QVERIFY(sender.write(wire::buildHeader(5000, "partial.bin", data.first(1000))));
        QCOMPARE(sender.read(3), QByteArray("^&*"));
        QVERIFY(corvane->engine().state().outputFile);
        QVERIFY(programEndsAfter([&] { windowtest::key(corvane.get(), Qt::Key_Escape); }));
        QVERIFY(!corvane->engine().state().outputFile);
        corvane.reset();
        QVERIFY(sender.waitClosed(2000));
    }
};

VC_WINDOW_TEST_MAIN(ProgramsTest)
#include "programs_test.moc"
