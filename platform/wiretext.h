#pragma once

#include <QString>

#include "bytebuffer.h"

// File names travel as GB18030 bytes: byte-identical with GBK for every character GBK has, so a
// peer that writes and reads GBK understands us, and a name outside GBK is not lost.
namespace wiretext {

ByteBuffer encodeName(const QString& name);

// Bytes that are not valid GB18030 become U+FFFD; decoding never fails.
QString decodeName(ByteView bytes);

}  // namespace wiretext
