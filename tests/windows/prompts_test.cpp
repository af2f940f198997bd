// The real prompts that the programs show: message boxes and file dialogs without an owner,
// modal to the whole program, with socket and timer events going on while they are open.
#include "prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

#include "rawpeer.h"
#include "streamserver.h"
#include "testutil.h"
#include "windowtest.h"

class PromptsTest : public QObject {
    Q_OBJECT

    WidgetPrompts prompts;

    static void checkOwnerAndModality(QWidget* modal) {
        QVERIFY(modal->isWindow());
        QCOMPARE(modal->parentWidget(), nullptr);
        QCOMPARE(modal->windowModality(), Qt::ApplicationModal);
    }

    // The user puts a name into the dialog's file name box (written whole, so that no
    // completion list opens over the dialog).
    static void type(QFileDialog* dialog, const QString& name) {
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(nameBox);
        nameBox->setText(name);
    }

    static QWidget* confirmButton(QFileDialog* dialog, QDialogButtonBox::StandardButton which) {
        auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        return buttons ? buttons->button(which) : nullptr;
    }

private slots:
    void a_message_box_has_its_text_title_and_one_ok_button() {
        QWidget mainWindow;
        mainWindow.show();
        QVERIFY(windowtest::whileModal([&] { prompts.showMessage("文件发送完成!", "OK"); },
                                       [&](QWidget* modal) {
                                           auto* box = qobject_cast<QMessageBox*>(modal);
                                           QVERIFY(box);
                                           checkOwnerAndModality(box);
                                           QCOMPARE(box->text(), "文件发送完成!");
                                           QCOMPARE(box->windowTitle(), "OK");
                                           QCOMPARE(box->icon(), QMessageBox::NoIcon);
                                           QCOMPARE(box->buttons().size(), 1);
                                           QCOMPARE(box->standardButton(box->buttons().first()),
                                                    QMessageBox::Ok);
                                           // The program's other windows take no input meanwhile.
                                           QVERIFY(QApplication::activeModalWidget() == box);
                                           windowtest::click(box->buttons().first());
                                           QVERIFY(!box->isVisible());
                                       }));
    }

    // A transfer goes on under a message box: the server still reports arriving bytes and
    // timers still tick.
    void events_go_on_while_a_message_box_is_open() {
        StreamServer server(0);
        QByteArray arrived;
        connect(&server, &StreamServer::dataArrived,
                [&](const ByteBuffer& bytes, const QString&) { arrived += bytes; });
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(10);
        RawPeer peer;
        QVERIFY(windowtest::whileModal(
            [&] { prompts.showMessage("连接发送服务端成功!", "连接成功"); },
            [&](QWidget* box) {
                QVERIFY(peer.connectTo(server.listeningPort()));
                QVERIFY(peer.write("^&*"));
                QVERIFY(testutil::waitUntil([&] { return arrived == "^&*" && ticks >= 3; }));
                QVERIFY(box->isVisible());
            }));
    }

    void the_open_dialog_gives_the_chosen_file_or_nothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath("要发送的.txt");
        testutil::writeFile(path, "x");
        std::optional<QString> chosen;
        QVERIFY(windowtest::whileModal([&] { chosen = prompts.chooseFileToOpen(QString()); },
                                       [&](QWidget* modal) {
                                           auto* dialog = qobject_cast<QFileDialog*>(modal);
                                           QVERIFY(dialog);
                                           checkOwnerAndModality(dialog);
                                           QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
                                           QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
                                           type(dialog, path);
                                           windowtest::click(
                                               confirmButton(dialog, QDialogButtonBox::Open));
                                       }));
        QCOMPARE(chosen, std::optional<QString>(path));

        QVERIFY(windowtest::whileModal([&] { chosen = prompts.chooseFileToOpen(path); },
                                       [&](QWidget* modal) { modal->close(); }));
        QCOMPARE(chosen, std::nullopt);
    }

    // The save dialog suggests the sender's name and asks before it overwrites a file.
    void the_save_dialog_suggests_the_name_and_asks_before_overwriting() {
        QTemporaryDir dir;
        const QString existing = dir.filePath("已有.bin");
        testutil::writeFile(existing, "old");
        std::optional<QString> chosen;
        bool asked = false;
        QVERIFY(windowtest::whileModal(
            [&] { chosen = prompts.chooseFileToSave("已有.bin"); },
            [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog);
                checkOwnerAndModality(dialog);
                QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
                QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
                auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
                QVERIFY(nameBox);
                QCOMPARE(nameBox->text(), "已有.bin");
                type(dialog, existing);
                QWidget* save = confirmButton(dialog, QDialogButtonBox::Save);
                QVERIFY(windowtest::whileModal([&] { windowtest::click(save); },
                                               [&](QWidget* question) {
                                                   auto* box = qobject_cast<QMessageBox*>(question);
                                                   QVERIFY(box);
                                                   asked = true;
                                                   box->button(QMessageBox::Yes)->click();
                                               }));
            }));
        QVERIFY(asked);
        QCOMPARE(chosen, std::optional<QString>(existing));
    }
};

VC_WINDOW_TEST_MAIN(PromptsTest)
#include "prompts_test.moc"
