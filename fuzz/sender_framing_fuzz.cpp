// Arbitrary notifications through the sender's framing, with the expectation kept as the
// sender keeps it: frames lie within the bytes at hand and every step makes progress or waits.
#include <cstdint>
#include <cstdlib>

#include "framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using wire::FrameKind;
    wire::SenderExpectation expect;
    QByteArray buffer;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t control = data[at];
        const std::size_t piece = std::min<std::size_t>(1 + control % 16, size - at - 1);
        buffer.append(reinterpret_cast<const char*>(data + at + 1), static_cast<qsizetype>(piece));
        at += piece + 1;
        if (control & 0x80) {
            expect.outstanding += 1;  // the sender sent a message
        }
        for (int guard = 0; guard < 100000; ++guard) {
            const wire::Frame f = wire::nextSenderFrame(buffer, expect);
            if (f.kind == FrameKind::NeedMore) {
                break;
            }
            if (f.length <= 0 || f.length > buffer.size()) {
                std::abort();
            }
            buffer.remove(0, f.length);
            if (f.kind == FrameKind::Ack) {
                if (expect.outstanding > 0) {
                    expect.outstanding -= 1;
                }
                expect.awaitingDone = (control & 0x40) != 0;
            } else if (f.kind == FrameKind::Done) {
                expect = {};
            }
        }
        if (buffer.size() > 6) {
            std::abort();  // nothing longer than a DoneMessage waits
        }
    }
    return 0;
}
