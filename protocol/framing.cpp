#include "framing.h"

#include <algorithm>

#include "messages.h"

namespace wire {
namespace {

const ByteView kMarkerView(kMarker, kMarkerSize);

// The bytes at `offset` could still become a Marker: the whole Marker, or a piece of it cut by
// the end of the bytes.
bool markerCandidateAt(ByteView bytes, qsizetype offset) {
    const qsizetype n = std::min<qsizetype>(kMarkerSize, bytes.size() - offset);
    return n > 0 && bytes.sliced(offset, n) == kMarkerView.first(n);
}

// Bytes before the next place where a message could begin.
Frame skipToCandidate(ByteView buffered) {
    qsizetype i = 1;
    while (i < buffered.size() && !markerCandidateAt(buffered, i)) {
        ++i;
    }
    return {FrameKind::Skip, i};
}

Frame headerFrame(ByteView buffered) {
    if (buffered.size() <= kNameLengthOffset + 3) {
        return {FrameKind::NeedMore, 0};
    }
    const std::int32_t nameLength = readInt32(buffered, kNameLengthOffset);
    if (nameLength < 0 || nameLength > kMaxNameLength) {
        // No sender builds this; take the bytes at hand as the whole message.
        return {FrameKind::Header, buffered.size()};
    }
    const std::int32_t fileLength = readInt32(buffered, kFileLengthOffset);
    const qsizetype total = kHeaderFixedSize + qsizetype{nameLength} + firstChunkSize(fileLength);
    if (buffered.size() < total) {
        return {FrameKind::NeedMore, 0};
    }
    return {FrameKind::Header, total};
}

}  // namespace

Frame nextReceiverFrame(ByteView buffered, const ReceiverExpectation& expect) {
    if (buffered.isEmpty()) {
        return {FrameKind::NeedMore, 0};
    }
    if (!markerCandidateAt(buffered, 0)) {
        return skipToCandidate(buffered);
    }
    if (buffered.size() < kMarkerSize) {
        return {FrameKind::NeedMore, 0};
    }
    using Phase = ReceiverExpectation::Phase;
    if (expect.phase == Phase::Idle) {
        // Only a header is due; anything else that begins with the Marker is a stray chunk.
        if (buffered.size() < kSecondMarkerOffset + kMarkerSize) {
            return {FrameKind::NeedMore, 0};
        }
        if (markerAt(buffered, kSecondMarkerOffset)) {
            return headerFrame(buffered);
        }
        return {FrameKind::Chunk, std::min<qsizetype>(buffered.size(), kMaxChunkMessageSize)};
    }
    const qsizetype chunkLength = kMarkerSize + static_cast<qsizetype>(std::clamp<std::int64_t>(
                                                    expect.remaining, 0, kChunkSize));
    if (expect.phase == Phase::AfterHeader) {
        // The sender's user may have pressed Send again before the first acknowledgement: a new
        // header has the Marker at bytes 0, 7 and 14, which a chunk has only by chance.
        if (buffered.size() >= kThirdMarkerOffset + kMarkerSize) {
            if (markerAt(buffered, kSecondMarkerOffset) && markerAt(buffered, kThirdMarkerOffset)) {
                return headerFrame(buffered);
            }
        } else if (buffered.size() < chunkLength ||
                   chunkLength >= kThirdMarkerOffset + kMarkerSize) {
            return {FrameKind::NeedMore, 0};
        }
    }
    if (buffered.size() < chunkLength) {
        return {FrameKind::NeedMore, 0};
    }
    return {FrameKind::Chunk, chunkLength};
}

Frame nextSenderFrame(ByteView buffered, const SenderExpectation& expect) {
    if (buffered.isEmpty()) {
        return {FrameKind::NeedMore, 0};
    }
    if (!markerCandidateAt(buffered, 0)) {
        return skipToCandidate(buffered);
    }
    int markers = 0;
    while (markers < 2 && markerAt(buffered, qsizetype{markers} * kMarkerSize)) {
        ++markers;
    }
    // Six bytes alone are a DoneMessage, as a receiver sends it, unless two acknowledgements are
    // due.
    if (buffered.size() == 2 * kMarkerSize && markers == 2 && expect.outstanding <= 1) {
        return {FrameKind::Done, 2 * kMarkerSize};
    }
    if (markers >= 1 && expect.outstanding > 0) {
        return {FrameKind::Ack, kMarkerSize};
    }
    if (markers == 2) {
        return {FrameKind::Done, 2 * kMarkerSize};
    }
    if (markers == 1) {
        if (expect.awaitingDone) {
            // The first half of a DoneMessage, unless what follows cannot be its second half.
            if (buffered.size() == kMarkerSize || markerCandidateAt(buffered, kMarkerSize)) {
                return {FrameKind::NeedMore, 0};
            }
            return {FrameKind::Skip, kMarkerSize};
        }
        if (buffered.size() == kMarkerSize || !markerCandidateAt(buffered, kMarkerSize)) {
            return {FrameKind::Ack, kMarkerSize};
        }
    }
    return {FrameKind::NeedMore, 0};
}

}  // namespace wire
