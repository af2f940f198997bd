// Every window and every control against the tables of the programs' windows: kind, name,
// caption, place, size, options and stacking order, and whether the captions can be read.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <memory>

#include "allwindows.h"
#include "controls.h"
#include "receiver/mainwindow.h"
#include "scriptedprompts.h"
#include "sender/mainwindow.h"
#include "sender/portwindow.h"
#include "windowtest.h"

namespace {

// One row of a window's control table. Rows without a place are components that are never shown.
struct Row {
    const char* name;
    const char* kind;  // the class that implements the control
    QString caption;   // a button's or label's caption; edit boxes start empty
    QRect place;
    bool centred = false;  // an edit box whose text is centred
};

const char* kButton = "QPushButton";
const char* kEdit = "QLineEdit";
const char* kLabel = "QLabel";
const char* kBar = "QProgressBar";
const char* kTimer = "QTimer";

// The tables, first row on top.
const std::vector<Row> kVespradRows = {
    {"时钟1", kTimer, {}, {}},
    {"按钮设置端口", kButton, "设置端口", {398, 45, 76, 24}},
    {"透明标签单位", kLabel, "Byte", {368, 42, 56, 32}},
    {"编辑框大小", kEdit, {}, {271, 48, 94, 20}, true},
    {"编辑框客户", kEdit, {}, {72, 48, 136, 20}, true},
    {"透明标签文件路径", kLabel, "文件路径：", {12, 10, 60, 32}},
    {"服务器1", "StreamServer", {}, {}},
    {"透明标签文件大小", kLabel, "文件大小：", {214, 42, 56, 32}},
    {"透明标签客户", kLabel, "接收客户：", {12, 42, 60, 32}},
    {"进度条1", kBar, {}, {9, 79, 465, 24}},
    {"按钮发送", kButton, "发送", {398, 13, 76, 24}},
    {"按钮浏览", kButton, "浏览", {322, 13, 76, 24}},
    {"编辑框路径", kEdit, {}, {72, 16, 248, 20}},
};

const std::vector<Row> kPortWindowRows = {
    {"按钮设置", kButton, "设置", {184, 14, 76, 24}},
    {"编辑框port", kEdit, {}, {24, 16, 152, 20}},
};

const std::vector<Row> kCorvaneRows = {
    {"透明标签单位", kLabel, "Byte", {449, 30, 72, 40}},
    {"时钟1", kTimer, {}, {}},
    {"按钮断开", kButton, "断开", {399, 8, 76, 24}},
    {"透明标签端口", kLabel, "端口：", {203, 7, 58, 26}},
    {"编辑框端口", kEdit, {}, {235, 10, 80, 20}, true},
    {"编辑框文件大小", kEdit, {}, {346, 40, 96, 20}, true},
    {"透明标签文件大小", kLabel, "文件大小：", {290, 30, 72, 40}},
    {"透明标签文件名", kLabel, "文 件 名：", {6, 30, 72, 40}},
    {"编辑框文件名", kEdit, {}, {63, 40, 219, 20}, true},
    {"透明标签IP", kLabel, "服务端IP：", {6, 7, 58, 26}},
    {"客户1", "StreamClient", {}, {}},
    {"进度条1", kBar, {}, {10, 73, 465, 24}},
    {"按钮连接", kButton, "连接", {324, 8, 76, 24}},
    {"编辑框IP", kEdit, {}, {63, 10, 132, 20}, true},
};

// Where a label's caption puts ink, in its window's coordinates.
QRect inkOf(const QLabel* label) {
    const QFontMetrics fm(label->font());
    const QRect layout = label->style()->itemTextRect(fm, label->contentsRect(), label->alignment(),
                                                      true, label->text());
    const QRect ink = fm.tightBoundingRect(label->text());
    return ink.translated(layout.x(), layout.y() + fm.ascent()).translated(label->pos());
}

}  // namespace

class WindowLayoutTest : public QObject, private windowtest::AllWindows {
    Q_OBJECT

    const std::vector<Row>& rows(const QString& which) {
        if (which == "Vesprad") {
            return kVespradRows;
        }
        if (which == "PortWindow") {
            return kPortWindowRows;
        }
        return kCorvaneRows;
    }

    static void addWindowColumn() {
        QTest::addColumn<QString>("which");
        QTest::newRow("Vesprad") << "Vesprad";
        QTest::newRow("PortWindow") << "PortWindow";
        QTest::newRow("Corvane") << "Corvane";
    }

private slots:
    void initTestCase() {
        openWindows();
        for (QWidget* w :
             {static_cast<QWidget*>(vesprad.get()), static_cast<QWidget*>(portWindow.get()),
              static_cast<QWidget*>(corvane.get())}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
    }

    void cleanupTestCase() { closeWindows(); }

    void windows_have_their_frames_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<bool>("minimize");
        QTest::newRow("Vesprad") << "Vesprad"
                                 << "Vesprad" << QSize(484, 108) << true;
        QTest::newRow("PortWindow") << "PortWindow"
                                    << "设置端口" << QSize(282, 49) << false;
        QTest::newRow("Corvane") << "Corvane"
                                 << "Corvane" << QSize(484, 102) << true;
    }
    void windows_have_their_frames() {
        QFETCH(QString, which);
        QFETCH(QString, title);
        QFETCH(QSize, client);
        QFETCH(bool, minimize);
        QWidget* w = window(which);
        QCOMPARE(w->windowTitle(), title);
        QVERIFY(w->isWindow());
        QCOMPARE(w->size(), client);
        // The user cannot resize it.
        QCOMPARE(w->minimumSize(), client);
        QCOMPARE(w->maximumSize(), client);
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimize);
        QCOMPARE(w->backgroundRole(), QPalette::Button);
        QVERIFY(w->autoFillBackground());
        // In the middle of the screen, within what the window system's frame may shift it.
        const QPoint offset = w->frameGeometry().center() - w->screen()->geometry().center();
        QVERIFY2(qAbs(offset.x()) <= 3 && qAbs(offset.y()) <= 15,
                 qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));
    }

    void controls_match_their_tables_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<int>("index");
        for (const QString which : {"Vesprad", "PortWindow", "Corvane"}) {
            const std::vector<Row>& table = rows(which);
            for (size_t i = 0; i < table.size(); ++i) {
                QTest::addRow("%s %s", qPrintable(which), table[i].name)
                    << which << static_cast<int>(i);
            }
        }
    }
    void controls_match_their_tables() {
        QFETCH(QString, which);
        QFETCH(int, index);
        const Row& row = rows(which)[index];
        QWidget* w = window(which);
        const QList<QObject*> named = w->findChildren<QObject*>(row.name);
        QCOMPARE(named.size(), 1);
        QObject* control = named.first();
        QCOMPARE(control->metaObject()->className(), row.kind);
        if (row.place.isNull()) {
            QVERIFY(!control->isWidgetType());
            if (auto* timer = qobject_cast<QTimer*>(control)) {
                QCOMPARE(controls::timerPeriod(timer), 0);
            }
            return;
        }
        auto* widget = static_cast<QWidget*>(control);
        QCOMPARE(widget->parentWidget(), w);
        QCOMPARE(widget->geometry(), row.place);
        QVERIFY(widget->isVisible());
        QVERIFY(widget->isEnabled());
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QCOMPARE(button->text(), row.caption);
            QVERIFY(!button->autoDefault());
            QVERIFY(!button->isDefault());
            QVERIFY(button->focusPolicy() & Qt::TabFocus);
        } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            QVERIFY(box->text().isEmpty());
            QVERIFY(!box->isReadOnly());
            QVERIFY(box->hasFrame());
            QVERIFY(box->maxLength() >= std::numeric_limits<int>::max());
            const Qt::Alignment horizontal = box->alignment() & Qt::AlignHorizontal_Mask;
            QCOMPARE(horizontal, row.centred ? Qt::AlignHCenter : Qt::AlignLeft);
            QVERIFY(box->focusPolicy() & Qt::TabFocus);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->text(), row.caption);
            QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
            QVERIFY(!label->autoFillBackground());
            QVERIFY(!label->wordWrap());
            QCOMPARE(label->frameShape(), QFrame::NoFrame);
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 100);
            QCOMPARE(bar->value(), 0);
            QCOMPARE(bar->orientation(), Qt::Horizontal);
            QVERIFY(!bar->isTextVisible());
            QCOMPARE(bar->focusPolicy(), Qt::NoFocus);
        }
    }

    // The window holds exactly the table's visible controls, stacked as the table lists them:
    // Qt keeps siblings bottom first, so the list read backwards is the table.
    void stacking_follows_the_tables_data() { addWindowColumn(); }
    void stacking_follows_the_tables() {
        QFETCH(QString, which);
        QStringList expected;
        for (const Row& row : rows(which)) {
            if (!row.place.isNull()) {
                expected.prepend(row.name);
            }
        }
        QStringList stacked;
        for (QObject* child : window(which)->children()) {
            if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow()) {
                stacked << child->objectName();
            }
        }
        QCOMPARE(stacked, expected);
    }

    // The font has every character of the captions, and every caption fits its control: a
    // label's ink stays inside its box and clear of every other control and caption, so the
    // overlapping boxes of the tables never hide or cross a word.
    void captions_can_be_read_data() { addWindowColumn(); }
    void captions_can_be_read() {
        QFETCH(QString, which);
        QWidget* w = window(which);
        const QList<QWidget*> controls = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVector<QRect> inks;
        for (QWidget* control : controls) {
            const QFontMetrics fm(control->font());
            QString caption;
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                caption = button->text();
                QVERIFY2(fm.horizontalAdvance(caption) <= control->width() - 8,
                         button->text().toUtf8());
                QVERIFY(fm.height() <= control->height() - 4);
            } else if (auto* label = qobject_cast<QLabel*>(control)) {
                caption = label->text();
                const QRect ink = inkOf(label);
                QVERIFY2(label->geometry().contains(ink), qPrintable(label->objectName()));
                for (QWidget* other : controls) {
                    if (other != control && !qobject_cast<QLabel*>(other)) {
                        QVERIFY2(
                            !other->geometry().intersects(ink),
                            qPrintable(label->objectName() + " crosses " + other->objectName()));
                    }
                }
                for (const QRect& earlier : inks) {
                    QVERIFY2(!earlier.intersects(ink), qPrintable(label->objectName()));
                }
                inks << ink;
            } else if (qobject_cast<QLineEdit*>(control)) {
                // A line of text with the box's sunken frame around it.
                QVERIFY2(fm.height() <= control->height() - 4, qPrintable(control->objectName()));
            }
            for (const uint c : caption.toUcs4()) {
                QVERIFY2(fm.inFontUcs4(c), qPrintable(control->objectName()));
            }
        }
    }

    void progress_bars_show_out_of_range_positions_at_their_ends_data() {
        QTest::addColumn<QString>("which");
        QTest::newRow("Vesprad") << "Vesprad";
        QTest::newRow("Corvane") << "Corvane";
    }
    void progress_bars_show_out_of_range_positions_at_their_ends() {
        QFETCH(QString, which);
        auto* bar = window(which)->findChild<QProgressBar*>("进度条1");
        QVERIFY(bar);
        controls::setBarPosition(bar, 150);
        QCOMPARE(bar->value(), 100);
        controls::setBarPosition(bar, -5);
        QCOMPARE(bar->value(), 0);
        controls::setBarPosition(bar, 37);
        QCOMPARE(bar->value(), 37);
        controls::setBarPosition(bar, 0);
    }
};

VC_WINDOW_TEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
