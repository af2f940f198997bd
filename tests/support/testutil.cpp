#include "testutil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <random>

namespace testutil {

bool waitUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!done()) {
            QThread::usleep(200);
        }
    }
    return true;
}

void spin(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
}

QByteArray randomBytes(qsizetype n, unsigned seed) {
    std::mt19937 gen(seed);
    QByteArray out(n, '\0');
    for (qsizetype i = 0; i < n; ++i) {
        out[i] = static_cast<char>(gen() & 0xFF);
    }
    return out;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
}

std::string hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toStdString();
}

}  // namespace testutil
