#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Small helpers shared by the tests. Every wait is bounded in time.
namespace testutil {

// Lets events run until `done` holds or `ms` milliseconds have passed; true when it held.
bool waitUntil(const std::function<bool()>& done, int ms = 5000);

// Lets events run for about `ms` milliseconds.
void spin(int ms);

// `n` bytes from a fixed pseudo-random sequence, the same for the same seed.
QByteArray randomBytes(qsizetype n, unsigned seed = 1);

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// Bytes as "5e 26 2a ..." for readable failures.
std::string hex(const QByteArray& bytes);

}  // namespace testutil
