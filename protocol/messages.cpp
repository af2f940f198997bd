#include "messages.h"

#include <algorithm>

namespace wire {

ByteBuffer marker() {
    return ByteBuffer(kMarker, kMarkerSize);
}
ByteBuffer ackMessage() {
    return marker();
}
ByteBuffer doneMessage() {
    return marker() + marker();
}

bool markerAt(ByteView bytes, qsizetype offset) {
    return offset >= 0 && offset + kMarkerSize <= bytes.size() &&
           bytes.sliced(offset, kMarkerSize) == ByteView(kMarker, kMarkerSize);
}

std::int32_t readInt32(ByteView bytes, qsizetype offset) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const qsizetype at = offset + i;
        if (at >= 0 && at < bytes.size()) {
            value |= std::uint32_t{static_cast<std::uint8_t>(bytes[at])} << (8 * i);
        }
    }
    return static_cast<std::int32_t>(value);
}

void appendInt32(ByteBuffer& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out.append(static_cast<char>((u >> (8 * i)) & 0xFF));
    }
}

ByteBuffer buildHeader(std::int32_t fileLength, ByteView name, ByteView firstChunk) {
    ByteBuffer out;
    out.reserve(kHeaderFixedSize + name.size() + firstChunk.size());
    const ByteView m(kMarker, kMarkerSize);
    out.append(m);
    appendInt32(out, fileLength);
    out.append(m);
    appendInt32(out, static_cast<std::int32_t>(name.size()));
    out.append(m);
    out.append(name);
    out.append(m);
    out.append(firstChunk);
    return out;
}

ByteBuffer buildChunk(ByteView data) {
    ByteBuffer out;
    out.reserve(kMarkerSize + data.size());
    out.append(ByteView(kMarker, kMarkerSize));
    out.append(data);
    return out;
}

ReceiverMessage classifyAtReceiver(ByteView message) {
    if (!markerAt(message, 0)) {
        return ReceiverMessage::Ignored;
    }
    return markerAt(message, kSecondMarkerOffset) ? ReceiverMessage::Header
                                                  : ReceiverMessage::Chunk;
}

SenderMessage classifyAtSender(ByteView notification) {
    if (notification.size() == kMarkerSize && markerAt(notification, 0)) {
        return SenderMessage::Ack;
    }
    if (notification.size() == 2 * kMarkerSize && markerAt(notification, 0) &&
        markerAt(notification, kMarkerSize)) {
        return SenderMessage::Done;
    }
    return SenderMessage::Ignored;
}

HeaderFields parseHeader(ByteView message) {
    HeaderFields f;
    f.fileLength = readInt32(message, kFileLengthOffset);
    f.nameLength = readInt32(message, kNameLengthOffset);
    const qsizetype size = message.size();
    if (f.nameLength > 0 && size > kNameOffset) {
        const qsizetype avail = std::min<qsizetype>(f.nameLength, size - kNameOffset);
        ByteView name = message.sliced(kNameOffset, avail);
        const qsizetype zero = name.indexOf('\0');
        f.name = zero >= 0 ? name.first(zero) : name;
    }
    // 64-bit arithmetic: a hostile name length must not wrap the payload length around.
    const std::int64_t payload = std::int64_t{size} - kHeaderFixedSize - f.nameLength;
    if (payload > 0) {
        f.firstChunk = message.last(std::min<qsizetype>(payload, size));
    }
    return f;
}

}  // namespace wire
