// Renders each window as it opens and with sample contents to PNG files, for a person to look
// at: window_pictures [folder] (default: the current folder). Each picture comes also three times
// enlarged, pixel for pixel, as name@3x.png.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QTimer>

#include "receiver/mainwindow.h"
#include "scriptedprompts.h"
#include "sender/mainwindow.h"
#include "sender/portwindow.h"
#include "windowtest.h"

namespace {

bool save(QWidget* window, const QString& path) {
    window->show();
    QCoreApplication::processEvents();
    const QPixmap picture = window->grab();
    QString large = path;
    large.replace(QStringLiteral(".png"), QStringLiteral("@3x.png"));
    const bool ok =
        picture.save(path) &&
        picture.scaled(picture.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(large);
    qInfo("%s %s", qPrintable(path), ok ? "written" : "NOT written");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    windowtest::prepareApplication();
    QApplication app(argc, argv);
    windowtest::applyLook(app);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    ScriptedPrompts prompts;
    bool ok = true;

    {
        vesprad::MainWindow sender(prompts, 0);
        ok &= save(&sender, folder.filePath("vesprad.png"));
        sender.编辑框路径->setText("/home/用户/文档/测试文件-很长的名字-0123456789.txt");
        sender.编辑框客户->setText("192.168.100.200:65535");
        sender.编辑框大小->setText("2147483647");
        sender.进度条1->setValue(40);
        ok &= save(&sender, folder.filePath("vesprad-filled.png"));

        vesprad::PortWindow port(&sender);
        ok &= save(&port, folder.filePath("portwindow.png"));
        port.编辑框port->setText("19731");
        ok &= save(&port, folder.filePath("portwindow-filled.png"));
    }
    {
        corvane::MainWindow receiver(prompts);
        ok &= save(&receiver, folder.filePath("corvane.png"));
        receiver.编辑框IP->setText("192.168.100.200");
        receiver.编辑框端口->setText("19730");
        receiver.编辑框文件名->setText("测试文件-很长的名字.txt");
        receiver.编辑框文件大小->setText("2147483647");
        receiver.进度条1->setValue(75);
        ok &= save(&receiver, folder.filePath("corvane-filled.png"));
    }
    return ok ? 0 : 1;
}
