#pragma once

// The bytes that pass between the sender and the receiver over one TCP connection.
//
//   HeaderMessage  = Marker L Marker n Marker name Marker firstChunk   (20 + n + c bytes)
//   ChunkMessage   = Marker data                                       (3 + k bytes, 1 <= k <=
//   1000) AckMessage     = Marker                                            (3 bytes) DoneMessage
//   = Marker Marker                                     (6 bytes)
//
// Marker is the three bytes "^&*" (0x5E 0x26 0x2A); nothing escapes it, so it may also occur
// inside names and file data. L (the file length) and n (the name's byte count) are signed 32-bit
// little-endian integers; c = min(L, 1000), no bytes when L <= 0. The name is the file's name
// without folders, with no terminating zero. The transfer is stop-and-wait: the sender sends the
// header, then one chunk per acknowledgement; the receiver acknowledges every message it accepts
// and sends one DoneMessage when the file is complete.
//
// Everything here is a pure function over bytes: no socket, file or widget is reachable.

#include <cstdint>

#include "bytebuffer.h"

namespace wire {

inline constexpr char kMarker[3] = {'^', '&', '*'};
inline constexpr int kMarkerSize = 3;
inline constexpr int kChunkSize = 1000;  // file bytes per message, the first chunk included

inline constexpr int kFileLengthOffset = 3;
inline constexpr int kSecondMarkerOffset = 7;
inline constexpr int kNameLengthOffset = 10;
inline constexpr int kThirdMarkerOffset = 14;
inline constexpr int kNameOffset = 17;
inline constexpr int kHeaderFixedSize = 20;  // four markers and two integers
inline constexpr int kMaxChunkMessageSize = kMarkerSize + kChunkSize;

ByteBuffer marker();
ByteBuffer ackMessage();
ByteBuffer doneMessage();

// The stretch of `bytes` at `offset` is exactly the Marker; a stretch cut short by the end of the
// bytes never is.
bool markerAt(ByteView bytes, qsizetype offset);

// Little-endian signed 32-bit integer at `offset`; bytes past the end count as zero.
std::int32_t readInt32(ByteView bytes, qsizetype offset);
void appendInt32(ByteBuffer& out, std::int32_t value);

// The number of file bytes that ride in the header for a file of `fileLength` bytes.
inline std::int32_t firstChunkSize(std::int32_t fileLength) {
    return fileLength <= 0 ? 0 : (fileLength < kChunkSize ? fileLength : kChunkSize);
}

ByteBuffer buildHeader(std::int32_t fileLength, ByteView name, ByteView firstChunk);
ByteBuffer buildChunk(ByteView data);

// How the receiver reads one message on its own: a header has the Marker at bytes 0 and 7, a
// chunk at byte 0 only (every 3- to 9-byte message that begins with the Marker is a chunk).
enum class ReceiverMessage { Header, Chunk, Ignored };
ReceiverMessage classifyAtReceiver(ByteView message);

// How the sender reads one notification on its own: exactly one Marker is an AckMessage, exactly
// two a DoneMessage, anything else is ignored.
enum class SenderMessage { Ack, Done, Ignored };
SenderMessage classifyAtSender(ByteView notification);

// The fields of a header, located by arithmetic as a receiver that follows the layout does: the
// name is at most `nameLength` bytes from offset 17 (cut at the end of the message and at the
// first zero byte), and the first chunk is the last (size - 20 - nameLength) bytes of the message.
struct HeaderFields {
    std::int32_t fileLength = 0;
    std::int32_t nameLength = 0;
    ByteView name;
    ByteView firstChunk;
};
HeaderFields parseHeader(ByteView message);

}  // namespace wire
