#include "mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "connectioncontrol.h"
#include "receiverengine.h"
#include "streamclient.h"

namespace corvane {

using windowkit::TextAlign;

MainWindow::MainWindow(Prompts& prompts, QWidget* parent) : windowkit::FixedWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    windowkit::setUpWindow(this, QStringLiteral("Corvane"), QSize(484, 102),
                           windowkit::TitleButtons::MinimizeAndClose);

    // Made from the bottom of the stack to the top, so the first of the list lies on top.
    编辑框IP = windowkit::addEditBox(this, QStringLiteral("编辑框IP"), QRect(63, 10, 132, 20),
                                     TextAlign::Centred);
    按钮连接 = windowkit::addButton(this, QStringLiteral("按钮连接"), QStringLiteral("连接"),
                                    QRect(324, 8, 76, 24));
    进度条1 = windowkit::addProgressBar(this, QStringLiteral("进度条1"), QRect(10, 73, 465, 24));
    客户1 = new StreamClient(this);
    客户1->setObjectName(QStringLiteral("客户1"));
    透明标签IP = windowkit::addLabel(this, QStringLiteral("透明标签IP"),
                                     QStringLiteral("服务端IP："), QRect(6, 7, 58, 26));
    编辑框文件名 = windowkit::addEditBox(this, QStringLiteral("编辑框文件名"),
                                         QRect(63, 40, 219, 20), TextAlign::Centred);
    透明标签文件名 = windowkit::addLabel(this, QStringLiteral("透明标签文件名"),
                                         QStringLiteral("文 件 名："), QRect(6, 30, 72, 40));
    透明标签文件大小 = windowkit::addLabel(this, QStringLiteral("透明标签文件大小"),
                                           QStringLiteral("文件大小："), QRect(290, 30, 72, 40));
    编辑框文件大小 = windowkit::addEditBox(this, QStringLiteral("编辑框文件大小"),
                                           QRect(346, 40, 96, 20), TextAlign::Centred);
    编辑框端口 = windowkit::addEditBox(this, QStringLiteral("编辑框端口"), QRect(235, 10, 80, 20),
                                       TextAlign::Centred);
    透明标签端口 = windowkit::addLabel(this, QStringLiteral("透明标签端口"),
                                       QStringLiteral("端口："), QRect(203, 7, 58, 26));
    按钮断开 = windowkit::addButton(this, QStringLiteral("按钮断开"), QStringLiteral("断开"),
                                    QRect(399, 8, 76, 24));
    // Idle until the first header starts the completion watcher.
    时钟1 = windowkit::addTimer(this, QStringLiteral("时钟1"));
    透明标签单位 = windowkit::addLabel(this, QStringLiteral("透明标签单位"), QStringLiteral("Byte"),
                                       QRect(449, 30, 72, 40));

    windowkit::setTabSequence(
        {编辑框IP, 按钮连接, 编辑框文件名, 编辑框文件大小, 编辑框端口, 按钮断开});

    engine_ = std::make_unique<ReceiverEngine>(
        ReceiverControls{编辑框文件大小, 编辑框文件名, 进度条1, 按钮连接, 时钟1}, *客户1, prompts);
    connection_ = std::make_unique<ConnectionControl>(
        ConnectionControls{编辑框IP, 编辑框端口, 按钮连接}, *客户1, prompts);

    ReceiverEngine* engine = engine_.get();
    connect(客户1, &StreamClient::dataArrived, engine, &ReceiverEngine::onDataArrived);
    // A sender that goes away in the middle of a transfer is reported rather than waited for.
    connect(客户1, &StreamClient::connectionLost, engine, &ReceiverEngine::onConnectionLost);
    connect(时钟1, &QTimer::timeout, engine, &ReceiverEngine::onWatchTick);
    connect(按钮连接, &QPushButton::clicked, connection_.get(),
            &ConnectionControl::onConnectClicked);
    connect(按钮断开, &QPushButton::clicked, connection_.get(),
            &ConnectionControl::onDisconnectClicked);

    engine_->onWindowCreated();
}

MainWindow::~MainWindow() = default;

void MainWindow::onProgramExit() {
    engine_->onProgramExit();
}

}  // namespace corvane
