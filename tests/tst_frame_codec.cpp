// Frame building, checksum, stream splitting and reply validation.
#include "FrameCodec.h"
#include "FrameSplitter.h"
#include "StateWord.h"

#include <QtTest>

using velmo::FrameCodec;
using velmo::FrameSplitter;
using velmo::StateWord;

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A reply frame with a correct full checksum.
QByteArray reply(quint16 code, const QByteArray &data, quint16 status = 0)
{
    QByteArray frame;
    frame.append(char(0xAA)).append(char(0x55));
    frame.append(char(code & 0xFF)).append(char(code >> 8));
    frame.append(char(status & 0xFF)).append(char(status >> 8));
    frame.append(char(data.size() & 0xFF)).append(char(data.size() >> 8));
    frame.append(data);
    const quint16 sum = FrameCodec::checksum(reinterpret_cast<const quint8 *>(frame.constData()), std::size_t(frame.size()));
    frame.append(char(sum >> 8)).append(char(sum & 0xFF));
    return frame;
}

bool takeFrame(FrameSplitter &splitter, QByteArray &frame)
{
    FrameSplitter::Cut cut;
    while ((cut = splitter.next(frame)) == FrameSplitter::Cut::BadChecksum || cut == FrameSplitter::Cut::BadHeader) {
    }
    return cut == FrameSplitter::Cut::Frame;
}

QList<QByteArray> splitAll(FrameSplitter &splitter, int *falseStarts = nullptr)
{
    QList<QByteArray> frames;
    QByteArray frame;
    for (;;) {
        const FrameSplitter::Cut cut = splitter.next(frame);
        if (cut == FrameSplitter::Cut::None)
            return frames;
        if (cut == FrameSplitter::Cut::Frame)
            frames.append(frame);
        else if (falseStarts != nullptr)
            ++*falseStarts; // a bad checksum or an impossible header
    }
}
} // namespace

class FrameCodecTest : public QObject
{
    Q_OBJECT

private slots:
    void requestAndReplyMatchTheDocumentedBytes()
    {
        const char axis[] = {0x01, 0x00};
        QCOMPARE(FrameCodec::buildRequest(0x0001, axis, 2), hex("55 AA 01 00 02 00 01 00 57 AA"));
        QCOMPARE(reply(0x0001, hex("01 00")), hex("AA 55 01 00 00 00 02 00 01 00 A8 55"));
        QCOMPARE(FrameCodec::validateReply(hex("AA 55 01 00 00 00 02 00 01 00 A8 55"), 2), FrameCodec::ReplyOk);
    }

    void emptyPayloadsGiveHeaderOnlyFrames()
    {
        const QByteArray request = FrameCodec::buildRequest(0x1004, nullptr, 0);
        QCOMPARE(request.size(), 8);
        QCOMPARE(request.left(6), hex("55 AA 04 10 00 00"));
        QCOMPARE(reply(0x1003, QByteArray()).size(), 10);
        QCOMPARE(FrameCodec::validateReply(reply(0x1003, QByteArray()), 0), FrameCodec::ReplyOk);
        // A negative length is treated as no payload, never as a huge copy.
        QCOMPARE(FrameCodec::buildRequest(0x0002, "xx", -5).size(), 8);
    }

    void checksumPairsAnOddByteWithZero()
    {
        const quint8 odd[] = {0x12, 0x34, 0x56};
        QCOMPARE(FrameCodec::checksum(odd, 3), quint16(0x1234 ^ 0x5600));
        QCOMPARE(FrameCodec::checksum(odd, 0), quint16(0));
    }

    void validationReportsTheFirstFailingCheck()
    {
        const QByteArray good = reply(0x000A, hex("01 00 00 00 00 00 00 00 24 40"));
        QCOMPARE(FrameCodec::validateReply(good, 10), FrameCodec::ReplyOk);

        // A time-out leaves a zero buffer: that fails on the magic.
        QCOMPARE(FrameCodec::validateReply(QByteArray(20, '\0'), 10), FrameCodec::ReplyBadMagic);

        // Status is checked before length and checksum.
        QByteArray refused = reply(0x000A, hex("01 00 00 00 00 00 00 00 24 40"), 3);
        refused[refused.size() - 1] = char(refused.at(refused.size() - 1) ^ 0xFF);
        QCOMPARE(FrameCodec::validateReply(refused, 10), FrameCodec::ReplyRefused);

        // Length before checksum.
        QByteArray shortData = reply(0x000A, hex("01 00"));
        shortData[shortData.size() - 1] = char(shortData.at(shortData.size() - 1) ^ 0xFF);
        QCOMPARE(FrameCodec::validateReply(shortData, 10), FrameCodec::ReplyBadLength);

        QByteArray corrupted = good;
        corrupted[9] = char(corrupted.at(9) ^ 0x40);
        QCOMPARE(FrameCodec::validateReply(corrupted, 10), FrameCodec::ReplyBadChecksum);
    }

    void readerAcceptsBothChecksumVariantsValidationOnlyTheFull()
    {
        const QByteArray full = reply(0x0023, hex("02 00 00 00 00 00 00 00 F0 3F"));
        QVERIFY(FrameCodec::readerAccepts(full));

        QByteArray withoutMagic = full;
        const auto *bytes = reinterpret_cast<const quint8 *>(withoutMagic.constData());
        const quint16 sum = FrameCodec::checksum(bytes + 2, std::size_t(withoutMagic.size() - 4));
        withoutMagic[withoutMagic.size() - 2] = char(sum >> 8);
        withoutMagic[withoutMagic.size() - 1] = char(sum & 0xFF);
        QVERIFY(withoutMagic != full);
        QVERIFY(FrameCodec::readerAccepts(withoutMagic));
        QCOMPARE(FrameCodec::validateReply(withoutMagic, 10), FrameCodec::ReplyBadChecksum);

        QByteArray broken = full;
        broken[broken.size() - 1] = char(broken.at(broken.size() - 1) ^ 0x01);
        QVERIFY(!FrameCodec::readerAccepts(broken));
        QVERIFY(!FrameCodec::readerAccepts(QByteArray("\xAA", 1)));
    }

    void splitterSkipsGarbageAndFindsEveryFrame()
    {
        const QByteArray first = reply(0x0001, hex("00 00"));
        const QByteArray second = reply(0x0024, hex("01 00 0B 00 00 00 00 00"));
        FrameSplitter splitter;
        // Garbage with stray 0xAA bytes (one followed by a wrong second byte),
        // a frame, more garbage, and a second frame, all in one read.
        const QByteArray garbage = hex("00 13 AA AA 00 AA 54 77");
        const QByteArray stream = garbage + first + hex("AA 12 55") + second;
        splitter.append(stream.constData(), stream.size());
        const QList<QByteArray> frames = splitAll(splitter);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(0), first);
        QCOMPARE(frames.at(1), second);
        QCOMPARE(splitter.pendingBytes(), 0);
    }

    void junkEndingInAMagicDoesNotSwallowTheNextFrame()
    {
        const QByteArray frame = reply(0x1006, hex("03 00"));
        FrameSplitter splitter;
        const QByteArray stream = hex("00 FF 13 AA 55") + frame;
        splitter.append(stream.constData(), stream.size());
        int falseStarts = 0;
        QCOMPARE(splitAll(splitter, &falseStarts), QList<QByteArray>{frame});
        QCOMPARE(falseStarts, 1);

        // A genuine frame with a broken checksum is still dropped.
        QByteArray broken = frame;
        broken[broken.size() - 1] = char(broken.at(broken.size() - 1) ^ 0x5A);
        splitter.append(broken.constData(), broken.size());
        splitter.append(frame.constData(), frame.size());
        QCOMPARE(splitAll(splitter), QList<QByteArray>{frame});
    }

    void aCorruptedFrameCannotHoldTheStreamHostage()
    {
        // A damaged reply whose payload happens to hold AA 55 and a huge
        // length must not make the splitter wait for 64 KiB.
        const QByteArray damaged = hex("AA 55 0A 00 00 00 0A 00 00 00 AA 55 00 00 00 00 FF FF 00 00");
        const QByteArray frame = reply(0x000A, hex("00 00 00 00 00 00 00 00 14 40"));
        FrameSplitter splitter;
        const QByteArray stream = damaged + frame;
        splitter.append(stream.constData(), stream.size());
        QCOMPARE(splitAll(splitter), QList<QByteArray>{frame});

        // Junk ending in AA 55 00 00 makes the next reply's code look like a
        // length; the reply is still found.
        const QByteArray count = reply(0x1006, hex("03 00"));
        const QByteArray junk = hex("AA 55 00 00") + count;
        splitter.append(junk.constData(), junk.size());
        QCOMPARE(splitAll(splitter), QList<QByteArray>{count});
    }

    void splitterAssemblesAFrameFromSeveralReads()
    {
        const QByteArray frame = reply(0x1004, QByteArray(32, 'S'));
        FrameSplitter splitter;
        QByteArray out;
        for (int i = 0; i < frame.size(); ++i) {
            QVERIFY2(!takeFrame(splitter, out), "frame complete too early");
            splitter.append(frame.constData() + i, 1);
        }
        QVERIFY(takeFrame(splitter, out));
        QCOMPARE(out, frame);
    }

    void splitterKeepsALoneMagicByteAtTheEnd()
    {
        // A read that ends in the middle of a magic must not lose the 0xAA.
        const QByteArray frame = reply(0x0002, hex("01 00"));
        FrameSplitter splitter;
        const QByteArray firstRead = hex("01 02") + frame.left(1);
        splitter.append(firstRead.constData(), firstRead.size());
        QByteArray out;
        QVERIFY(!takeFrame(splitter, out));
        splitter.append(frame.constData() + 1, frame.size() - 1);
        QVERIFY(takeFrame(splitter, out));
        QCOMPARE(out, frame);
    }

    void stateWordBitsLandInTheirFields()
    {
        // Flags in record order: canRun, stop, enable, home, left, right,
        // negFault, posFault, homeFault.
        auto flags = [](const MotorStageState &s) {
            return QVector<int>{s.isCanRun, s.isStop, s.isEnable, s.isHome, s.isLeftLimit,
                                s.isRightLimit, s.isNegLimitFault, s.isPosLimitFault, s.isHomeFault};
        };
        QCOMPARE(flags(StateWord::decode(0x0108, 0)), (QVector<int>{1, 0, 0, 0, 0, 0, 0, 1, 0}));
        QCOMPARE(flags(StateWord::decode(0x0080, 0)), (QVector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1}));
        QCOMPARE(flags(StateWord::decode(0x0077, 0)), (QVector<int>{0, 1, 1, 1, 1, 1, 1, 0, 0}));
        QCOMPARE(flags(StateWord::decode(0xFE00, 0)), (QVector<int>(9, 0))); // bits 9-15 ignored
        QCOMPARE(StateWord::decode(0, -3).currentJog, -3);
    }

    void hostileStreamsStayBounded()
    {
        FrameSplitter splitter;
        QByteArray out;
        // Endless garbage never accumulates.
        const QByteArray junk(41120, char(0xAA));
        for (int i = 0; i < 50; ++i) {
            splitter.append(junk.constData(), junk.size());
            QVERIFY(!takeFrame(splitter, out));
            QVERIFY(splitter.pendingBytes() <= 1);
        }
        // A header announcing 65535 data bytes is noise: nothing waits for it.
        const QByteArray header = hex("AA 55 01 00 00 00 FF FF");
        splitter.append(header.constData(), header.size());
        const QByteArray frame = reply(0x0001, hex("00 00"));
        splitter.append(frame.constData(), frame.size());
        QCOMPARE(splitAll(splitter), QList<QByteArray>{frame});
        QCOMPARE(splitter.pendingBytes(), 0);
    }
};

QTEST_APPLESS_MAIN(FrameCodecTest)
#include "tst_frame_codec.moc"
