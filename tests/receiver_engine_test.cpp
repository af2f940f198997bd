#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>

#include "messages.h"
#include "rawpeer.h"
#include "receiverengine.h"
#include "scriptedprompts.h"
#include "senderengine.h"
#include "streamclient.h"
#include "streamserver.h"
#include "testutil.h"
#include "wiretext.h"

namespace {

using Message = ScriptedPrompts::Message;
using testutil::waitUntil;

const QByteArray kAck = "^&*";
const QByteArray kDone = "^&*^&*";
const Message kReceived{QStringLiteral("文件接收完成!"), "OK"};
const Message kLost{QStringLiteral("连接已断开，文件接收未完成!"), QStringLiteral("提示")};
const Message kCannotCreate{QStringLiteral("无法创建文件，请另选保存位置!"),
                            QStringLiteral("提示")};
const Message kWriteFailed{QStringLiteral("写入文件失败，文件接收未完成!"), QStringLiteral("提示")};
const Message kNothingSent{QStringLiteral("发送方无法读取该文件，未接收任何数据。"),
                           QStringLiteral("提示")};

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// The receiver's engine with real controls, wired as its window wires it, running in a
// temporary current folder (where a cancelled save dialog puts the file).
class ReceiverFixture : public ::testing::Test {
protected:
    ReceiverFixture() {
        QDir(dir.path()).mkdir("cwd");
        cwd = dir.filePath("cwd");
        oldCwd = QDir::currentPath();
        QDir::setCurrent(cwd);
        QObject::connect(&client, &StreamClient::dataArrived, &engine,
                         &ReceiverEngine::onDataArrived);
        QObject::connect(&client, &StreamClient::connectionLost, &engine,
                         &ReceiverEngine::onConnectionLost);
        QObject::connect(&timer, &QTimer::timeout, &engine, &ReceiverEngine::onWatchTick);
        engine.onWindowCreated();
    }
    ~ReceiverFixture() override {
        engine.onProgramExit();
        QDir::setCurrent(oldCwd);
    }

    bool received(std::size_t count, int ms = 5000) {
        return waitUntil([&] { return prompts.messages.size() >= count; }, ms);
    }

    QTemporaryDir dir;
    QString cwd;
    QString oldCwd;
    QLineEdit sizeBox, nameBox;
    QProgressBar bar;
    QPushButton connectButton;
    QTimer timer;
    ScriptedPrompts prompts;
    StreamClient client;
    ReceiverEngine engine{{&sizeBox, &nameBox, &bar, &connectButton, &timer}, client, prompts};
};

// ---------------------------------------------------------------------------------------------
// The real sender and receiver engines over 127.0.0.1.

class TransferTest : public ReceiverFixture {
protected:
    TransferTest() {
        QObject::connect(&server, &StreamServer::clientEntered, &sender,
                         &SenderEngine::onClientEntered);
        QObject::connect(&server, &StreamServer::dataArrived, &sender,
                         &SenderEngine::onDataArrived);
        QObject::connect(&server, &StreamServer::clientLeft, &sender, &SenderEngine::onClientLeft);
        sender.onWindowCreated();
        EXPECT_TRUE(client.connectTo("127.0.0.1", server.listeningPort()));
        EXPECT_TRUE(waitUntil([&] { return !clientBox.text().isEmpty(); }));
    }
    ~TransferTest() override { sender.onProgramExit(); }

    // Sends the file and waits until both sides have reported.
    void transfer(const QString& name, const QByteArray& data, int ms = 10000) {
        QDir(dir.path()).mkdir("from");
        const QString path = dir.filePath("from/" + name);
        testutil::writeFile(path, data);
        const std::size_t before = prompts.messages.size();
        const std::size_t senderBefore = senderPrompts.messages.size();
        pathBox.setText(path);
        sender.onSendClicked();
        ASSERT_TRUE(waitUntil(
            [&] {
                return prompts.messages.size() > before &&
                       senderPrompts.messages.size() > senderBefore;
            },
            ms));
        EXPECT_EQ(prompts.messages.back(), kReceived);
        EXPECT_EQ(senderPrompts.messages.back(), (Message{QStringLiteral("文件发送完成!"), "OK"}));
    }

    QLineEdit pathBox, clientBox, senderSize;
    QProgressBar senderBar;
    QPushButton sendButton;
    ScriptedPrompts senderPrompts;
    StreamServer server{0};
    SenderEngine sender{
        {&pathBox, &clientBox, &senderSize, &senderBar, &sendButton}, server, senderPrompts};
};

// A file that is itself a recording of this protocol's conversation.
QByteArray recordedConversation() {
    const QByteArray data = testutil::randomBytes(2500, 7);
    return wire::buildHeader(2500, "r.bin", data.first(1000)) + kAck +
           wire::buildChunk(data.mid(1000, 1000)) + kAck + wire::buildChunk(data.mid(2000)) + kAck +
           kDone;
}

TEST_F(TransferTest, files_cross_one_connection_byte_for_byte) {
    struct Case {
        const char* label;
        QByteArray data;
    };
    const Case cases[] = {
        {"0", {}},
        {"1", testutil::randomBytes(1, 1)},
        {"1000", testutil::randomBytes(1000, 2)},
        {"1001", testutil::randomBytes(1001, 3)},
        {"2500", testutil::randomBytes(2500, 4)},
        {"1 MiB", testutil::randomBytes(1 << 20, 5)},
        {"markers", QByteArray("^&*").repeated(3001)},
        {"recording", recordedConversation()},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QString target = dir.filePath(QStringLiteral("got%1.bin").arg(i++));
        prompts.saveAnswers.push_back(target);
        transfer("f.bin", c.data, 60000);
        EXPECT_EQ(prompts.saveSuggestions.back(), "f.bin");
        EXPECT_EQ(nameBox.text(), "f.bin");
        EXPECT_EQ(sizeBox.text(), QString::number(c.data.size()));
        EXPECT_EQ(bar.value(), c.data.isEmpty() ? 0 : 100);
        EXPECT_FALSE(connectButton.isEnabled());
        EXPECT_FALSE(timer.isActive());
        const QByteArray got = testutil::readFile(target);
        ASSERT_EQ(got.size(), c.data.size());
        EXPECT_TRUE(got == c.data);
    }
    // Nothing but the targets was left behind.
    QStringList expected{"cwd", "from"};
    for (int k = 0; k < i; ++k) {
        expected << QStringLiteral("got%1.bin").arg(k);
    }
    expected.sort();
    EXPECT_EQ(entries(dir.path()), expected);
    EXPECT_TRUE(entries(cwd).isEmpty());
}

TEST_F(TransferTest, cancel_saves_in_the_current_folder_beside_existing_files) {
    testutil::writeFile(cwd + "/report.txt", "mine");
    testutil::writeFile(cwd + "/report (1).txt", "mine too");
    struct Case {
        QString sent;
        QString saved;
    };
    const Case cases[] = {
        {QStringLiteral("测试文件.txt"), QStringLiteral("测试文件.txt")},
        {"report.txt", "report (2).txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent.toStdString());
        const QByteArray data = testutil::randomBytes(1500, 9);
        transfer(c.sent, data);
        EXPECT_EQ(prompts.saveSuggestions.back(), c.sent);
        EXPECT_EQ(nameBox.text(), c.sent);
        EXPECT_TRUE(testutil::readFile(cwd + "/" + c.saved) == data);
    }
    EXPECT_EQ(testutil::readFile(cwd + "/report.txt"), "mine");
    EXPECT_EQ(testutil::readFile(cwd + "/report (1).txt"), "mine too");
    EXPECT_EQ(entries(cwd).size(), 4);
}

TEST_F(TransferTest, the_size_box_edited_during_a_transfer_moves_the_limit) {
    struct Case {
        QString typed;
        qsizetype kept;  // an accepted chunk is written whole, even past the limit
        int progress;    // still taken from the announced length
    };
    const Case cases[] = {{"2500", 3000, 60}, {"abc", 1000, 20}};
    const QByteArray data = testutil::randomBytes(5000, 11);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const QString target = dir.filePath("edited.bin");
        prompts.saveAnswers.push_back(target);
        prompts.whileOpen = [&] {
            if (static_cast<qsizetype>(prompts.messages.size()) < prompts.saveSuggestions.size()) {
                sizeBox.setText(c.typed);  // the user types while the dialog is open
            }
        };
        transfer("f.bin", data);
        EXPECT_TRUE(testutil::readFile(target) == data.first(c.kept));
        EXPECT_EQ(bar.value(), c.progress);
    }
}

TEST_F(TransferTest, a_file_that_cannot_be_created_leaves_the_sender_free_to_send_again) {
    QDir(dir.path()).mkdir("from");
    const QByteArray data = testutil::randomBytes(1500, 12);
    testutil::writeFile(dir.filePath("from/f.bin"), data);
    prompts.saveAnswers.push_back(dir.filePath("no/such/folder/f.bin"));
    pathBox.setText(dir.filePath("from/f.bin"));
    sender.onSendClicked();
    ASSERT_TRUE(received(1));
    EXPECT_EQ(prompts.messages.back(), kCannotCreate);
    testutil::spin(150);
    EXPECT_TRUE(sendButton.isEnabled()) << "no acknowledgement came";
    EXPECT_TRUE(senderPrompts.messages.empty());
    // The sender's user presses Send again; the receiver's user picks a folder that exists.
    prompts.saveAnswers.push_back(dir.filePath("f.bin"));
    transfer("f.bin", data);
    EXPECT_TRUE(testutil::readFile(dir.filePath("f.bin")) == data);
}

// ---------------------------------------------------------------------------------------------
// A raw test peer plays the sender, byte by byte as each test wants.

class RawSenderTest : public ReceiverFixture {
protected:
    RawSenderTest() {
        const std::uint16_t port = peer.listen();
        EXPECT_TRUE(client.connectTo("127.0.0.1", port));
        EXPECT_TRUE(peer.accept());
    }

    // Nothing arrives within a short while.
    bool quiet() { return peer.read(1, 150).isEmpty(); }
    bool acked() { return peer.read(3) == kAck; }
    // A whole file in its header, saved at `target`; true when it was acknowledged and done.
    bool sendSmallFile(const QByteArray& name, const QByteArray& data, const QString& target) {
        prompts.saveAnswers.push_back(target);
        peer.write(wire::buildHeader(static_cast<std::int32_t>(data.size()), name, data));
        return peer.read(9) == kAck + kDone;
    }

    RawPeer peer;
};

TEST_F(RawSenderTest, a_negative_length_asks_nothing_and_finishes_at_the_next_tick) {
    for (const std::int32_t length : {-1, std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(length);
        const std::size_t before = prompts.messages.size();
        peer.write(wire::buildHeader(length, "gone.txt", {}));
        EXPECT_EQ(peer.read(9), kAck + kDone);
        ASSERT_TRUE(received(before + 1));
        EXPECT_EQ(prompts.messages.back(), kNothingSent);
        EXPECT_TRUE(prompts.saveSuggestions.isEmpty());
        EXPECT_EQ(sizeBox.text(), QString::number(length));
        EXPECT_EQ(nameBox.text(), "gone.txt");
        EXPECT_EQ(bar.value(), 0);
        EXPECT_FALSE(timer.isActive());
    }
    EXPECT_TRUE(entries(cwd).isEmpty());
    EXPECT_TRUE(quiet());
}

TEST_F(RawSenderTest, bytes_that_cannot_begin_a_message_are_dropped) {
    // Each piece is its own notification; none is answered, none opens a dialog.
    const QByteArray pieces[] = {"^",
                                 "^&",
                                 "no marker here at all",
                                 kAck,
                                 "^&*garbage that is no header",
                                 QByteArray(5000, '\xFF')};
    for (const QByteArray& piece : pieces) {
        SCOPED_TRACE(testutil::hex(piece.first(std::min<qsizetype>(piece.size(), 16))));
        peer.write(piece);
        EXPECT_TRUE(quiet());
    }
    EXPECT_TRUE(prompts.saveSuggestions.isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
    // A header after all that is read as usual.
    ASSERT_TRUE(sendSmallFile("a.txt", "hello", dir.filePath("a.txt")));
    EXPECT_EQ(prompts.saveSuggestions, QStringList{"a.txt"});
    EXPECT_EQ(testutil::readFile(dir.filePath("a.txt")), "hello");
}

TEST_F(RawSenderTest, a_name_length_past_the_name_takes_the_following_bytes) {
    QByteArray header = wire::buildHeader(5, "a.txt", "hello");
    header[wire::kNameLengthOffset] = 10;
    prompts.saveAnswers.push_back(dir.filePath("x"));
    peer.write(header);
    EXPECT_TRUE(quiet()) << "the header announced 35 bytes; 30 are here";
    peer.write("12345");
    EXPECT_EQ(peer.read(9), kAck + kDone);
    EXPECT_EQ(nameBox.text(), "a.txt^&*he");
    EXPECT_EQ(prompts.saveSuggestions, QStringList{"a.txt^&*he"});
    EXPECT_EQ(testutil::readFile(dir.filePath("x")), "12345");
}

TEST_F(RawSenderTest, hostile_name_lengths_stay_in_the_current_folder) {
    for (const std::int32_t nameLength : {std::numeric_limits<std::int32_t>::max(), -1,
                                          std::numeric_limits<std::int32_t>::min(), 70000}) {
        SCOPED_TRACE(nameLength);
        QByteArray header = wire::buildHeader(5, "../../up.txt", "hello");
        for (int i = 0; i < 4; ++i) {
            header[wire::kNameLengthOffset + i] =
                static_cast<char>((static_cast<std::uint32_t>(nameLength) >> (8 * i)) & 0xFF);
        }
        const qsizetype asked = prompts.saveSuggestions.size();
        peer.write(header);
        ASSERT_TRUE(waitUntil([&] { return prompts.saveSuggestions.size() == asked + 1; }));
        EXPECT_FALSE(prompts.saveSuggestions.back().contains(u'/'));
        testutil::spin(150);
    }
    EXPECT_EQ(entries(dir.path()), QStringList{"cwd"});
    for (const QString& name : entries(cwd)) {
        EXPECT_TRUE(QFileInfo(cwd + "/" + name).isFile()) << name.toStdString();
    }
    EXPECT_LE(engine.state().lastData.size(), 100);
}

TEST(ReceiverNames, a_sent_name_never_chooses_the_folder) {
    const std::pair<QString, QString> cases[] = {
        {"report.txt", "report.txt"},
        {"../evil.txt", "evil.txt"},
        {"/etc/passwd", "passwd"},
        {"..\\..\\win.ini", "win.ini"},
        {"mixed/dir\\name.txt", "name.txt"},
        {QString("ctl\x01\x1f") + QChar(0x7F) + ".txt", "ctl___.txt"},
        {QStringLiteral("测试.txt"), QStringLiteral("测试.txt")},
        {"", QStringLiteral("未命名文件")},
        {".", QStringLiteral("未命名文件")},
        {"..", QStringLiteral("未命名文件")},
        {"dir/", QStringLiteral("未命名文件")},
        {"a/..", QStringLiteral("未命名文件")},
        {"...", "..."},
        {".hidden", ".hidden"},
    };
    for (const auto& [sent, safe] : cases) {
        EXPECT_EQ(ReceiverEngine::safeFileName(sent), safe) << sent.toStdString();
    }
}

TEST(ReceiverNames, the_first_free_name_is_used) {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    for (const char* existing : {"a.txt", "a (1).txt", ".rc", "noext", "%1 (1).x"}) {
        testutil::writeFile(folder.filePath(existing), "x");
    }
    const std::pair<QString, QString> cases[] = {
        {"new.txt", "new.txt"},   {"a.txt", "a (2).txt"}, {".rc", ".rc (1)"},
        {"noext", "noext (1)"},   {"%1.x", "%1.x"},       {"%1 (1).x", "%1 (1) (1).x"},
        {"a.tar.gz", "a.tar.gz"},
    };
    for (const auto& [name, free] : cases) {
        EXPECT_EQ(ReceiverEngine::freePathIn(folder, name), folder.filePath(free))
            << name.toStdString();
    }
}

TEST_F(RawSenderTest, names_from_the_wire_are_saved_in_the_current_folder_only) {
    struct Case {
        QByteArray sent;
        QString shown;  // the name box: as sent, cut at a zero byte
        QString saved;
    };
    const Case cases[] = {
        {"../evil.txt", "../evil.txt", "evil.txt"},
        {"/tmp/abs.txt", "/tmp/abs.txt", "abs.txt"},
        {"..\\..\\win.txt", "..\\..\\win.txt", "win.txt"},
        {QByteArray("ok.txt\0hidden/../x", 18), "ok.txt", "ok.txt"},
        {"bell\x07\x1b.txt", "bell\x07\x1b.txt", "bell__.txt"},
        {"..", "..", QStringLiteral("未命名文件")},
    };
    QStringList saved;
    for (const Case& c : cases) {
        SCOPED_TRACE(testutil::hex(c.sent));
        prompts.saveAnswers.push_back(std::nullopt);  // the user cancels
        peer.write(wire::buildHeader(3, c.sent, "abc"));
        ASSERT_EQ(peer.read(9), kAck + kDone);
        EXPECT_EQ(nameBox.text(), c.shown);
        EXPECT_EQ(prompts.saveSuggestions.back(), c.saved);
        EXPECT_EQ(testutil::readFile(cwd + "/" + c.saved), "abc");
        saved << c.saved;
    }
    saved.sort();
    EXPECT_EQ(entries(cwd), saved);
    EXPECT_EQ(entries(dir.path()), QStringList{"cwd"});
}

TEST_F(RawSenderTest, a_chunk_after_the_count_reached_the_size_is_refused) {
    const QByteArray data = testutil::randomBytes(1001);
    prompts.saveAnswers.push_back(dir.filePath("f"));
    peer.write(wire::buildHeader(1001, "f", data.first(1000)));
    ASSERT_TRUE(acked());
    // The last chunk and one more in the same write, so both come before the watcher's tick.
    peer.write(wire::buildChunk(data.mid(1000)) + wire::buildChunk("more than was announced"));
    EXPECT_EQ(peer.read(9), kAck + kDone) << "the extra chunk is neither written nor acknowledged";
    EXPECT_TRUE(quiet());
    ASSERT_TRUE(received(1));
    EXPECT_TRUE(testutil::readFile(dir.filePath("f")) == data);
}

TEST_F(RawSenderTest, header_and_chunks_split_anywhere_still_complete) {
    const QByteArray data = testutil::randomBytes(1010, 3);
    prompts.saveAnswers.push_back(dir.filePath("split"));
    const QByteArray header = wire::buildHeader(1010, "split", data.first(1000));
    peer.write(header.first(12));  // not even the name length yet
    EXPECT_TRUE(quiet());
    peer.write(header.mid(12));
    ASSERT_TRUE(acked());
    peer.write(kAck);  // the Marker alone: the chunk has only begun
    EXPECT_TRUE(quiet());
    for (qsizetype i = 1000; i < 1010; ++i) {
        peer.write(data.mid(i, 1));
        testutil::spin(5);
    }
    EXPECT_EQ(peer.read(9), kAck + kDone);
    EXPECT_TRUE(testutil::readFile(dir.filePath("split")) == data);
}

TEST_F(RawSenderTest, several_messages_in_one_write_are_handled_in_order) {
    const QByteArray data = testutil::randomBytes(2500, 4);
    prompts.saveAnswers.push_back(dir.filePath("merged"));
    peer.write(wire::buildHeader(2500, "merged", data.first(1000)) +
               wire::buildChunk(data.mid(1000, 1000)) + wire::buildChunk(data.mid(2000)));
    EXPECT_EQ(peer.read(15), kAck + kAck + kAck + kDone);
    EXPECT_TRUE(testutil::readFile(dir.filePath("merged")) == data);
    EXPECT_EQ(prompts.saveSuggestions.size(), 1);
}

TEST_F(RawSenderTest, bytes_that_arrive_while_the_dialog_is_open_wait_their_turn) {
    const QByteArray data = testutil::randomBytes(2500, 5);
    prompts.saveAnswers.push_back(dir.filePath("late"));
    // A socket announces no new bytes while its own handler runs, but the engine must not rely
    // on that: the notifications are handed to it directly, as nested events would be.
    const QByteArray rest =
        wire::buildChunk(data.mid(1000, 1000)) + wire::buildChunk(data.mid(2000));
    prompts.whileOpen = [&] {
        if (prompts.saveSuggestions.size() == 1 && prompts.messages.empty()) {
            engine.onDataArrived(rest.first(700));
            engine.onDataArrived(rest.mid(700, 600));
            engine.onDataArrived(rest.mid(1300));
            EXPECT_TRUE(quiet()) << "nothing is acknowledged before the dialog closes";
        }
    };
    peer.write(wire::buildHeader(2500, "late", data.first(1000)));
    EXPECT_EQ(peer.read(15), kAck + kAck + kAck + kDone);
    EXPECT_TRUE(testutil::readFile(dir.filePath("late")) == data);
    EXPECT_EQ(prompts.saveSuggestions.size(), 1);
}

TEST_F(RawSenderTest, a_new_header_before_the_first_chunk_abandons_the_transfer) {
    testutil::writeFile(dir.filePath("first"), "kept");
    prompts.saveAnswers.push_back(dir.filePath("first"));
    peer.write(wire::buildHeader(2500, "first", testutil::randomBytes(1000)));
    ASSERT_TRUE(acked());
    // The sender's user pressed Send again, with another file, before any chunk was sent.
    ASSERT_TRUE(sendSmallFile("second", "new", dir.filePath("second")));
    EXPECT_EQ(testutil::readFile(dir.filePath("second")), "new");
    EXPECT_EQ(testutil::readFile(dir.filePath("first")), "kept");
    EXPECT_EQ(entries(dir.path()), (QStringList{"cwd", "first", "second"}));
}

TEST_F(RawSenderTest, a_whole_file_is_kept_when_the_next_header_comes_before_the_tick) {
    prompts.saveAnswers.push_back(dir.filePath("one"));
    prompts.saveAnswers.push_back(dir.filePath("two"));
    // In one write, so that no tick can come between them.
    peer.write(wire::buildHeader(3, "one", "111") + wire::buildHeader(3, "two", "222"));
    EXPECT_EQ(peer.read(12), kAck + kAck + kDone);
    ASSERT_TRUE(received(1));
    EXPECT_EQ(testutil::readFile(dir.filePath("one")), "111");
    EXPECT_EQ(testutil::readFile(dir.filePath("two")), "222");
    EXPECT_EQ(entries(dir.path()), (QStringList{"cwd", "one", "two"}));
}

TEST_F(RawSenderTest, a_whole_file_that_cannot_be_kept_when_the_next_header_comes_is_reported) {
    prompts.saveAnswers.push_back(dir.filePath("one"));
    prompts.saveAnswers.push_back(dir.filePath("two"));
    peer.write(wire::buildHeader(2000, "one", testutil::randomBytes(1000)));
    ASSERT_TRUE(acked());
    // Meanwhile a folder took the first target's name.
    ASSERT_TRUE(QDir(dir.path()).mkpath("one/inside"));
    peer.write(wire::buildChunk(testutil::randomBytes(1000)) + wire::buildHeader(3, "two", "222"));
    EXPECT_EQ(peer.read(9), kAck + kAck + kDone);
    ASSERT_TRUE(received(2));
    EXPECT_EQ(prompts.messages, (std::vector<Message>{kWriteFailed, kReceived}));
    EXPECT_EQ(entries(dir.filePath("one")), QStringList{"inside"});
    EXPECT_EQ(testutil::readFile(dir.filePath("two")), "222");
}

TEST_F(RawSenderTest, once_a_chunk_was_accepted_everything_until_the_end_is_file_data) {
    // Data that looks like a header where a chunk is due, as random data does now and then:
    // the second chunk has the Marker at message bytes 7-9, the third at 7-9 and 14-16 too.
    const QByteArray data = testutil::randomBytes(1000, 1) + "abcd^&*" +
                            testutil::randomBytes(993, 2) + "abcd^&*efgh^&*" +
                            testutil::randomBytes(986, 3) + testutil::randomBytes(500, 4);
    ASSERT_EQ(data.size(), 3500);
    prompts.saveAnswers.push_back(dir.filePath("real"));
    peer.write(wire::buildHeader(static_cast<std::int32_t>(data.size()), "real", data.first(1000)));
    ASSERT_TRUE(acked());
    for (qsizetype at = 1000; at < data.size(); at += 1000) {
        peer.write(wire::buildChunk(data.mid(at, 1000)));
        ASSERT_EQ(peer.read(3).left(3), kAck);
    }
    ASSERT_TRUE(received(1));
    EXPECT_EQ(prompts.messages, std::vector<Message>{kReceived});
    EXPECT_EQ(prompts.saveSuggestions, QStringList{"real"});
    EXPECT_TRUE(testutil::readFile(dir.filePath("real")) == data);
}

TEST_F(RawSenderTest, connection_closed_mid_transfer_keeps_the_target_as_it_was) {
    testutil::writeFile(dir.filePath("target"), "old");
    prompts.saveAnswers.push_back(dir.filePath("target"));
    const QByteArray data = testutil::randomBytes(2500);
    peer.write(wire::buildHeader(2500, "target", data.first(1000)));
    ASSERT_TRUE(acked());
    peer.write(wire::buildChunk(data.mid(1000, 1000)));
    ASSERT_TRUE(acked());
    peer.write(kAck + "half a chunk");
    peer.close();
    ASSERT_TRUE(received(1));
    EXPECT_EQ(prompts.messages, std::vector<Message>{kLost});
    EXPECT_EQ(testutil::readFile(dir.filePath("target")), "old");
    EXPECT_EQ(entries(dir.path()), (QStringList{"cwd", "target"}));
    EXPECT_FALSE(timer.isActive());
    EXPECT_TRUE(engine.state().lastData.isEmpty());
    testutil::spin(250);
    EXPECT_EQ(prompts.messages.size(), 1);
}

TEST_F(RawSenderTest, connection_closed_while_the_dialog_is_open_saves_nothing) {
    prompts.saveAnswers.push_back(dir.filePath("never"));
    prompts.whileOpen = [&] {
        if (prompts.messages.empty()) {
            // The client reads nothing while its handler runs, so the close is seen when the
            // dialog returns; give it time to arrive.
            peer.close();
            testutil::spin(50);
        }
    };
    peer.write(wire::buildHeader(2500, "never", testutil::randomBytes(1000)));
    ASSERT_TRUE(received(1));
    EXPECT_EQ(prompts.messages, std::vector<Message>{kLost});
    EXPECT_EQ(entries(dir.path()), QStringList{"cwd"});
    EXPECT_FALSE(timer.isActive());
}

TEST_F(RawSenderTest, a_file_whose_last_byte_came_before_the_close_is_kept) {
    prompts.saveAnswers.push_back(dir.filePath("whole"));
    peer.write(wire::buildHeader(5, "whole", "hello"));
    ASSERT_TRUE(acked());
    peer.close();  // the tick may or may not have come yet
    ASSERT_TRUE(received(1));
    EXPECT_EQ(prompts.messages, std::vector<Message>{kReceived});
    EXPECT_EQ(testutil::readFile(dir.filePath("whole")), "hello");
}

TEST_F(RawSenderTest, a_file_that_cannot_be_created_is_reported_and_not_acknowledged) {
    testutil::writeFile(dir.filePath("plain"), "a regular file");
    const QString paths[] = {dir.filePath("missing/f.bin"), dir.filePath("plain/f.bin"), ""};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const std::size_t before = prompts.messages.size();
        prompts.saveAnswers.push_back(path);
        peer.write(wire::buildHeader(5, "f.bin", "hello"));
        ASSERT_TRUE(received(before + 1));
        EXPECT_EQ(prompts.messages.back(), kCannotCreate);
        EXPECT_TRUE(quiet());
        EXPECT_FALSE(timer.isActive());
    }
    // The sender's user tries again and chooses a folder that exists.
    ASSERT_TRUE(sendSmallFile("f.bin", "hello", dir.filePath("f.bin")));
    EXPECT_EQ(testutil::readFile(dir.filePath("f.bin")), "hello");
    EXPECT_EQ(entries(dir.path()), (QStringList{"cwd", "f.bin", "plain"}));
}

TEST_F(RawSenderTest, a_file_that_cannot_take_the_targets_place_is_reported) {
    prompts.saveAnswers.push_back(dir.filePath("t"));
    peer.write(wire::buildHeader(2000, "t", testutil::randomBytes(1000)));
    ASSERT_TRUE(acked());
    // Meanwhile a folder took the target's name, so the finished file cannot be put there.
    ASSERT_TRUE(QDir(dir.path()).mkpath("t/inside"));
    peer.write(wire::buildChunk(testutil::randomBytes(1000)));
    EXPECT_EQ(peer.read(3), kAck);
    ASSERT_TRUE(received(1));
    EXPECT_TRUE(quiet()) << "a file that was not saved is never reported to the sender as done";
    EXPECT_EQ(prompts.messages, std::vector<Message>{kWriteFailed});
    EXPECT_EQ(entries(dir.path()), (QStringList{"cwd", "t"}));
    EXPECT_EQ(entries(dir.filePath("t")), QStringList{"inside"});
}

// Makes files larger than `bytes` fail to grow, as a full disk does, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*old_)(int) = nullptr;
    bool ok_ = false;
};

// A transfer into "target", which holds "old", while files cannot grow past a limit.
class FullDiskTest : public RawSenderTest {
protected:
    FullDiskTest() { testutil::writeFile(dir.filePath("target"), "old"); }

    // Sends the header with the first 1000 bytes of `data` and waits for its acknowledgement.
    void start(const QByteArray& data) {
        prompts.saveAnswers.push_back(dir.filePath("target"));
        peer.write(
            wire::buildHeader(static_cast<std::int32_t>(data.size()), "target", data.first(1000)));
        ASSERT_TRUE(acked());
    }
    // One report, and the target as it was with nothing beside it.
    void expectReportedOnceAndTargetKept() {
        EXPECT_EQ(prompts.messages, std::vector<Message>{kWriteFailed});
        EXPECT_EQ(testutil::readFile(dir.filePath("target")), "old");
        EXPECT_EQ(entries(dir.path()), (QStringList{"cwd", "target"}));
    }
};

TEST_F(FullDiskTest, a_disk_that_fills_mid_transfer_is_reported_once_and_the_target_kept) {
    const QByteArray data = testutil::randomBytes(300000);
    qsizetype at = 1000;
    {
        FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.ok());
        start(data);
        // Chunks are acknowledged as they come, until the write that meets the limit fails.
        for (; at < data.size() && prompts.messages.empty(); at += 1000) {
            peer.write(wire::buildChunk(data.mid(at, 1000)));
            ASSERT_TRUE(acked()) << at;
        }
        ASSERT_TRUE(received(1));
        EXPECT_GT(at, 100000) << "reported before the limit was reached";
        EXPECT_LE(at, 100000 + 64 * 1024) << "reported more than a block after the limit";
        peer.write(wire::buildChunk(data.mid(at, 1000)));  // a sender that goes on anyway
        EXPECT_TRUE(quiet()) << "nothing after the failed write is acknowledged";
        EXPECT_FALSE(timer.isActive());
    }
    expectReportedOnceAndTargetKept();
}

TEST_F(FullDiskTest, a_file_whose_end_does_not_fit_is_reported_and_never_done) {
    // Every chunk fits in memory; the write at the end is what fails. A commit that ignored it
    // would put a truncated file in the target's place and tell the sender it was done.
    const QByteArray data = testutil::randomBytes(4000);
    {
        FileSizeLimit limit(1500);
        ASSERT_TRUE(limit.ok());
        start(data);
        for (qsizetype at = 1000; at < data.size(); at += 1000) {
            peer.write(wire::buildChunk(data.mid(at, 1000)));
            ASSERT_TRUE(acked()) << at;
        }
        ASSERT_TRUE(received(1));
        EXPECT_TRUE(quiet()) << "a file that was not saved is never reported to the sender as done";
        EXPECT_FALSE(timer.isActive());
    }
    expectReportedOnceAndTargetKept();
}

TEST_F(RawSenderTest, progress_is_truncated_from_the_announced_length) {
    // 29000 of 100000 is 28.999... percent in double precision.
    const QByteArray data = testutil::randomBytes(100000);
    prompts.saveAnswers.push_back(dir.filePath("p"));
    peer.write(wire::buildHeader(100000, "p", data.first(1000)));
    ASSERT_TRUE(acked());
    qsizetype at = 1000;
    for (const auto& [upTo, shown] : {std::pair{29000, 28}, {57000, 56}, {99000, 99}}) {
        for (; at < upTo; at += 1000) {
            peer.write(wire::buildChunk(data.mid(at, 1000)));
            ASSERT_TRUE(acked());
        }
        engine.onWatchTick();
        EXPECT_EQ(bar.value(), shown) << upTo;
    }
    peer.write(wire::buildChunk(data.mid(at)));
    EXPECT_EQ(peer.read(9), kAck + kDone);
    EXPECT_EQ(bar.value(), 100) << "the completing tick shows the full bar";
    ASSERT_TRUE(received(1));
    EXPECT_TRUE(testutil::readFile(dir.filePath("p")) == data);
}

TEST_F(RawSenderTest, an_empty_file_shows_zero_and_completes_at_the_first_tick) {
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    bar.setValue(50);
    ASSERT_TRUE(sendSmallFile("empty", {}, dir.filePath("empty")));
    ASSERT_TRUE(received(1));
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(sizeBox.text(), "0");
    EXPECT_EQ(prompts.messages, std::vector<Message>{kReceived});
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("empty")));
    EXPECT_EQ(QFileInfo(dir.filePath("empty")).size(), 0);
    EXPECT_FALSE(connectButton.isEnabled());
}

TEST_F(RawSenderTest, program_exit_throws_away_an_unfinished_file) {
    prompts.saveAnswers.push_back(dir.filePath("unfinished"));
    peer.write(wire::buildHeader(2500, "unfinished", testutil::randomBytes(1000)));
    ASSERT_TRUE(acked());
    peer.write(kAck + "part");
    testutil::spin(50);
    engine.onProgramExit();
    EXPECT_EQ(entries(dir.path()), QStringList{"cwd"});
    EXPECT_TRUE(engine.state().lastData.isEmpty());
    EXPECT_FALSE(timer.isActive());
}

TEST_F(RawSenderTest, program_exit_while_the_dialog_is_open_saves_nothing) {
    prompts.saveAnswers.push_back(dir.filePath("late"));
    prompts.whileOpen = [&] { engine.onProgramExit(); };
    peer.write(wire::buildHeader(5, "late", "hello"));
    ASSERT_TRUE(waitUntil([&] { return !prompts.saveSuggestions.isEmpty(); }));
    EXPECT_TRUE(quiet());
    EXPECT_EQ(entries(dir.path()), QStringList{"cwd"});
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(timer.isActive());
}

}  // namespace
