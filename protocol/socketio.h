#pragma once

#include "bytebuffer.h"

class QTcpSocket;

// What both endpoints do with a connected socket.
namespace socketio {

// No Nagle delay: every message is small and waits for its answer.
void tune(QTcpSocket* socket);

// Hands every byte to the system in one write where the system takes them, keeping the rest
// for the socket to write as soon as it can. Fails when the connection is not open or the
// write fails; succeeds at once for no bytes.
bool writeAll(QTcpSocket* socket, ByteView bytes);

}  // namespace socketio
