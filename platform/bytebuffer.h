#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A counted sequence of bytes that may hold zeros. Messages are built by joining buffers and
// compared by length and bytes, which is exactly what QByteArray offers.
using ByteBuffer = QByteArray;
using ByteView = QByteArrayView;
