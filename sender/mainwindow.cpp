#include "mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "portsetting.h"
#include "senderengine.h"

namespace vesprad {

using windowkit::TextAlign;

MainWindow::MainWindow(Prompts& prompts, int port, QWidget* parent)
    : windowkit::FixedWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    windowkit::setUpWindow(this, QStringLiteral("Vesprad"), QSize(484, 108),
                           windowkit::TitleButtons::MinimizeAndClose);

    // Made from the bottom of the stack to the top, so the first of the list lies on top.
    编辑框路径 = windowkit::addEditBox(this, QStringLiteral("编辑框路径"), QRect(72, 16, 248, 20));
    按钮浏览 = windowkit::addButton(this, QStringLiteral("按钮浏览"), QStringLiteral("浏览"),
                                    QRect(322, 13, 76, 24));
    按钮发送 = windowkit::addButton(this, QStringLiteral("按钮发送"), QStringLiteral("发送"),
                                    QRect(398, 13, 76, 24));
    进度条1 = windowkit::addProgressBar(this, QStringLiteral("进度条1"), QRect(9, 79, 465, 24));
    透明标签客户 = windowkit::addLabel(this, QStringLiteral("透明标签客户"),
                                       QStringLiteral("接收客户："), QRect(12, 42, 60, 32));
    透明标签文件大小 = windowkit::addLabel(this, QStringLiteral("透明标签文件大小"),
                                           QStringLiteral("文件大小："), QRect(214, 42, 56, 32));
    服务器1 = new StreamServer(port, this);
    服务器1->setObjectName(QStringLiteral("服务器1"));
    透明标签文件路径 = windowkit::addLabel(this, QStringLiteral("透明标签文件路径"),
                                           QStringLiteral("文件路径："), QRect(12, 10, 60, 32));
    编辑框客户 = windowkit::addEditBox(this, QStringLiteral("编辑框客户"), QRect(72, 48, 136, 20),
                                       TextAlign::Centred);
    编辑框大小 = windowkit::addEditBox(this, QStringLiteral("编辑框大小"), QRect(271, 48, 94, 20),
                                       TextAlign::Centred);
    透明标签单位 = windowkit::addLabel(this, QStringLiteral("透明标签单位"), QStringLiteral("Byte"),
                                       QRect(368, 42, 56, 32));
    按钮设置端口 = windowkit::addButton(this, QStringLiteral("按钮设置端口"),
                                        QStringLiteral("设置端口"), QRect(398, 45, 76, 24));
    // Nothing sets its period, so it never ticks.
    时钟1 = windowkit::addTimer(this, QStringLiteral("时钟1"));

    windowkit::setTabSequence(
        {编辑框路径, 按钮浏览, 按钮发送, 编辑框客户, 编辑框大小, 按钮设置端口});

    engine_ = std::make_unique<SenderEngine>(
        SenderControls{编辑框路径, 编辑框客户, 编辑框大小, 进度条1, 按钮发送}, *服务器1, prompts);
    portSetting_ = std::make_unique<PortSetting>(*服务器1, prompts, this);

    SenderEngine* engine = engine_.get();
    connect(按钮浏览, &QPushButton::clicked, engine, &SenderEngine::onBrowseClicked);
    connect(按钮发送, &QPushButton::clicked, engine, &SenderEngine::onSendClicked);
    connect(服务器1, &StreamServer::clientEntered, engine, &SenderEngine::onClientEntered);
    connect(服务器1, &StreamServer::dataArrived, engine, &SenderEngine::onDataArrived);
    // A receiver that leaves in the middle of a transfer is reported rather than waited for.
    connect(服务器1, &StreamServer::clientLeft, engine, &SenderEngine::onClientLeft);
    connect(按钮设置端口, &QPushButton::clicked, portSetting_.get(),
            &PortSetting::onSetPortClicked);

    // The controls exist and the window is not shown yet; the server's events are dispatched
    // only once the event loop runs, so the engine is ready before any can arrive.
    engine_->onWindowCreated();
}

MainWindow::~MainWindow() = default;

void MainWindow::onProgramExit() {
    engine_->onProgramExit();
}

}  // namespace vesprad
