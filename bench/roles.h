#pragma once

#include <QString>

// The two halves of a benchmarked transfer, each run in a process of its own with the real
// engines, endpoints, file layer and widgets on the offscreen platform. Each prints one line
// "result key=value ..." on standard output when it is done.

// Listens on a free port (printed as "port N"), sends `file` to the first receiver that
// connects, and reports the seconds from Send to the acknowledgement that finished the file,
// the wait for the DoneMessage after it, and its peak memory.
int runSenderRole(int argc, char** argv, const QString& file);

// Connects to 127.0.0.1:`port`, saves the file to `savePath`, and reports its peak memory.
int runReceiverRole(int argc, char** argv, int port, const QString& savePath);

// The event loop's own floor: the same ping-pong as the baseline, but both sides on the
// program's event loop and endpoints, with no engine, file or widget. The sender side listens
// (printing "port N"), sends `rounds` messages of 1003 bytes, one per 3-byte reply, and reports
// the seconds; the receiver side answers each whole message.
int runLoopSenderRole(int argc, char** argv, qint64 rounds);
int runLoopReceiverRole(int argc, char** argv, int port);
