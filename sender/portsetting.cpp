#include "portsetting.h"

#include <QLineEdit>
#include <QPushButton>

#include "numbers.h"
#include "portwindow.h"
#include "prompts.h"
#include "streamserver.h"

namespace vesprad {
namespace {

const QString kEmptyText = QStringLiteral("请设置通讯端口，如不设置，系统将使用默认端口 19730 。");
const QString kRangeText =
    QStringLiteral("通讯端口范围0-65535之间，本程序可不设置，系统将使用默认端口 19730 。");

}  // namespace

PortSetting::PortSetting(StreamServer& server, Prompts& prompts, QWidget* owner)
    : server_(server), prompts_(prompts), owner_(owner) {}

PortSetting::~PortSetting() = default;

void PortSetting::onSetPortClicked() {
    if (window_) {
        return;
    }
    PortWindow window(owner_);
    connect(window.按钮设置, &QPushButton::clicked, this, &PortSetting::onApplyPortClicked);
    connect(&window, &PortWindow::portKeyPressed, this, &PortSetting::onPortKeyPressed);
    window_ = &window;
    window.exec();
    window_ = nullptr;
}

void PortSetting::onApplyPortClicked() {
    if (!window_) {
        return;
    }
    PortWindow* window = window_;
    const QString text = window->编辑框port->text();
    if (numbers::trimSpaces(text).isEmpty()) {
        prompts_.showMessage(kEmptyText, QStringLiteral("设置端口"));
        window->编辑框port->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The whole text is read, spaces and all: the number reading skips leading white space
    // itself and ignores whatever follows the number.
    const double value = numbers::readNumber(text);
    if (!(numbers::below(value, 65535) && value > numbers::kTolerance)) {
        prompts_.showMessage(kRangeText, QStringLiteral("端口范围"));
        window->编辑框port->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Where the program listens now (the system's choice when it was made with port 0).
    const int before = server_.isListening() ? server_.listeningPort() : server_.port();
    server_.setPort(numbers::truncateToInt32(value));
    if (!server_.isListening()) {
        // The port is taken or not ours to use. Saying "success" would leave the program
        // listening nowhere while its user waits for receivers; the old port is kept instead.
        server_.setPort(before);
        prompts_.showMessage(QStringLiteral("设置端口失败，端口") + text +
                                 QStringLiteral("已被占用或无权使用，请另选端口。"),
                             QStringLiteral("设置端口"));
        window->编辑框port->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The text as typed, not the port it gave.
    prompts_.showMessage(QStringLiteral("设置端口成功，端口") + text + QStringLiteral("。"),
                         QStringLiteral("设置成功"));
    window->close();
}

void PortSetting::onPortKeyPressed(int virtualKey) {
    if (virtualKey == 13) {
        onApplyPortClicked();
    }
}

}  // namespace vesprad
