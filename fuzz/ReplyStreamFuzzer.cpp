// The controller's IN byte stream as the reader thread sees it: chunks of
// varying size go through the frame splitter, accepted frames are filed in
// the reply table by code and taken back out as an exchange would (no
// waiting). The fuzz data chooses the chunk sizes and the bytes.
//
// Checked besides memory safety: the frames cut do not depend on how the
// stream was chunked, every frame cut is well formed and passes the checksum,
// the splitter never holds more than one unfinished maximal frame, and the
// reply table hands back exactly the frame last filed under a code.
#include "FuzzCheck.h"
#include "FrameCodec.h"
#include "FrameSplitter.h"
#include "QuietMessages.h"
#include "ReplyTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <map>
#include <vector>

using velmo::FrameCodec;
using velmo::FrameSplitter;
using velmo::ReplyTable;

namespace {

struct CutRecord {
    FrameSplitter::Cut cut;
    QByteArray frame;

    bool operator==(const CutRecord &other) const { return cut == other.cut && frame == other.frame; }
};

void checkCut(FrameSplitter::Cut cut, const QByteArray &frame)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(frame.constData());
    FUZZ_CHECK(frame.size() >= 8 && bytes[0] == 0xAA && bytes[1] == 0x55);
    const int length = bytes[6] | (bytes[7] << 8);
    switch (cut) {
    case FrameSplitter::Cut::Frame:
        FUZZ_CHECK(length <= FrameSplitter::kMaxDataLength && frame.size() == length + 10);
        FUZZ_CHECK(FrameCodec::readerAccepts(frame));
        break;
    case FrameSplitter::Cut::BadChecksum:
        FUZZ_CHECK(frame.size() == length + 10 && !FrameCodec::readerAccepts(frame));
        break;
    case FrameSplitter::Cut::BadHeader:
        FUZZ_CHECK(length > FrameSplitter::kMaxDataLength && frame.size() == 8);
        break;
    case FrameSplitter::Cut::None:
        FUZZ_CHECK(false);
        break;
    }
}

// Cuts whatever the splitter holds, files the frames as the reader thread
// does and takes each back out as the waiting exchange would.
void drain(FrameSplitter &splitter, ReplyTable &table, std::vector<CutRecord> *cuts)
{
    QByteArray frame;
    for (;;) {
        const FrameSplitter::Cut cut = splitter.next(frame);
        if (cut == FrameSplitter::Cut::None)
            break;
        checkCut(cut, frame);
        cuts->push_back({cut, frame});
        if (cut != FrameSplitter::Cut::Frame || !FrameCodec::readerAccepts(frame))
            continue;
        const quint16 code = FrameCodec::replyCode(frame);
        FUZZ_CHECK(table.store(code, frame));
        // A wrong length leaves the frame filed; the right one takes it out.
        QByteArray copy(frame.size(), '\0');
        FUZZ_CHECK(table.waitFor(code, copy.data(), frame.size() + 1, 0) == 0);
        FUZZ_CHECK(table.waitFor(code, copy.data(), frame.size(), 0) == frame.size());
        FUZZ_CHECK(copy == frame);
        FUZZ_CHECK(table.waitFor(code, copy.data(), frame.size(), 0) == 0);
    }
    // What is left is at most one frame still coming in.
    FUZZ_CHECK(splitter.pendingBytes() < FrameSplitter::kMaxDataLength + 10);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QuietMessages::install();
    FuzzedDataProvider provider(data, size);

    // Chunk sizes first, then the stream itself from what remains.
    std::vector<int> chunkSizes;
    const int chunkCount = provider.ConsumeIntegralInRange<int>(1, 16);
    for (int i = 0; i < chunkCount; ++i)
        chunkSizes.push_back(provider.ConsumeIntegralInRange<int>(1, 600));
    const std::vector<uint8_t> stream = provider.ConsumeRemainingBytes<uint8_t>();
    const auto *bytes = reinterpret_cast<const char *>(stream.data());
    const int total = int(stream.size());

    FrameSplitter chunked;
    ReplyTable table;
    std::vector<CutRecord> chunkedCuts;
    int offset = 0;
    for (int i = 0; offset < total; ++i) {
        const int length = qMin(chunkSizes[std::size_t(i) % chunkSizes.size()], total - offset);
        chunked.append(bytes + offset, length);
        offset += length;
        drain(chunked, table, &chunkedCuts);
    }
    FUZZ_CHECK(table.size() == 0);

    FrameSplitter whole;
    std::vector<CutRecord> wholeCuts;
    whole.append(bytes, total);
    drain(whole, table, &wholeCuts);
    // (What is left over may differ: a lone junk byte at the end of a chunk
    // waits for its successor before it is skipped.)
    FUZZ_CHECK(chunkedCuts == wholeCuts);

    // Filing everything before taking anything: the later frame of a code wins.
    std::map<quint16, QByteArray> latest;
    for (const CutRecord &record : wholeCuts) {
        if (record.cut == FrameSplitter::Cut::Frame) {
            table.store(FrameCodec::replyCode(record.frame), record.frame);
            latest[FrameCodec::replyCode(record.frame)] = record.frame;
        }
    }
    FUZZ_CHECK(table.size() == int(latest.size()));
    for (const auto &entry : latest) {
        QByteArray copy(entry.second.size(), '\0');
        FUZZ_CHECK(table.waitFor(entry.first, copy.data(), copy.size(), 0) == copy.size());
        FUZZ_CHECK(copy == entry.second);
    }
    FUZZ_CHECK(table.size() == 0);
    return 0;
}
