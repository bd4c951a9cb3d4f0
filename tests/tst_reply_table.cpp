// The reply table between the reader thread and the waiting caller.
#include "ReplyTable.h"

#include <QElapsedTimer>
#include <QtTest>
#include <cstring>
#include <thread>

using velmo::ReplyTable;

namespace {
QByteArray frameOf(int length, char fill)
{
    return QByteArray(length, fill);
}
} // namespace

class ReplyTableTest : public QObject
{
    Q_OBJECT

private slots:
    void waiterWakesAsSoonAsTheFrameIsFiled()
    {
        ReplyTable table;
        std::thread reader([&table] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            table.store(0x0009, frameOf(12, 'r'));
        });
        char dest[12] = {};
        QElapsedTimer clock;
        clock.start();
        const int length = table.waitFor(0x0009, dest, 12, 1000);
        const qint64 waited = clock.elapsed();
        reader.join();
        QCOMPARE(length, 12);
        QCOMPARE(QByteArray(dest, 12), frameOf(12, 'r'));
        // Woken by the store, not by a poll interval or the time-out.
        QVERIFY2(waited < 200, qPrintable(QString::number(waited)));
        QCOMPARE(table.size(), 0);
    }

    void wrongLengthNeverSatisfiesTheWait()
    {
        ReplyTable table;
        table.store(0x000A, frameOf(14, 'x'));
        char dest[20];
        std::memset(dest, 0x5A, sizeof dest);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(table.waitFor(0x000A, dest, 20, 60), 0);
        QVERIFY(clock.elapsed() >= 55);
        // The destination stays untouched and the entry stays in place.
        QCOMPARE(QByteArray(dest, 20), QByteArray(20, 0x5A));
        QCOMPARE(table.size(), 1);
    }

    void laterFrameReplacesAndOthersWaitForTheirCode()
    {
        ReplyTable table;
        table.store(0x0001, frameOf(12, 'a'));
        table.store(0x0001, frameOf(12, 'b'));
        table.store(0x0002, frameOf(12, 'c'));
        QCOMPARE(table.size(), 2);
        char dest[12] = {};
        QCOMPARE(table.waitFor(0x0001, dest, 12, 10), 12);
        QCOMPARE(dest[0], 'b');
        QCOMPARE(table.size(), 1);
        table.clear();
        QCOMPARE(table.size(), 0);
        QCOMPARE(table.waitFor(0x0002, dest, 12, 5), 0);
    }

    void storageIsBounded()
    {
        ReplyTable table;
        const QByteArray big = frameOf(65545, 'z');
        int stored = 0;
        for (int code = 0; code < 200; ++code)
            stored += table.store(quint16(code), big) ? 1 : 0;
        QVERIFY(stored < 200);
        QVERIFY(stored * big.size() <= ReplyTable::kMaxStoredBytes);
        // Emptying the table makes room again.
        table.clear();
        QVERIFY(table.store(0x0001, big));
    }
    // A reply that comes after its request gave up must never be handed to
    // the next request of its code as that request's answer.
    void lateReplyIsNeverTakenForTheNextRequest()
    {
        ReplyTable table;
        char dest[12] = {};
        table.noteRequest(0x0021);
        QCOMPARE(table.waitFor(0x0021, dest, 12, 20), 0); // first read gave up
        table.clear();
        table.noteRequest(0x0021); // second read goes out while the first is owed
        QVERIFY(table.replyUntrusted(0x0021));
        std::thread reader([&table] {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            table.store(0x0021, frameOf(12, 'o')); // the first read's reply
            table.store(0x0021, frameOf(12, 'n')); // the second's
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(table.waitFor(0x0021, dest, 12, 1000), 0);
        reader.join();
        // Failed as soon as both owed replies were in, not at the time-out.
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(dest[0], '\0');
        QCOMPARE(table.size(), 0);

        // Everything is accounted for: the third read is trusted again.
        table.noteRequest(0x0021);
        QVERIFY(!table.replyUntrusted(0x0021));
        table.store(0x0021, frameOf(12, 't'));
        QCOMPARE(table.waitFor(0x0021, dest, 12, 100), 12);
        QCOMPARE(dest[0], 't');

        // A backlog: each reply lands one request late. No request succeeds
        // while the chain lasts, whatever the order of requests and replies.
        ReplyTable backlog;
        backlog.noteRequest(0x0022);
        QCOMPARE(backlog.waitFor(0x0022, dest, 12, 5), 0);
        for (char round = 'a'; round < 'f'; ++round) {
            backlog.clear();
            backlog.noteRequest(0x0022);
            backlog.store(0x0022, frameOf(12, round)); // the previous request's reply
            QCOMPARE(backlog.waitFor(0x0022, dest, 12, 5), 0);
        }
        // Other codes are not affected.
        backlog.noteRequest(0x0023);
        backlog.store(0x0023, frameOf(12, 'x'));
        QCOMPARE(backlog.waitFor(0x0023, dest, 12, 5), 12);
    }

    void ownedRepliesSettleByBrokenFramesWithdrawalAndTheLateLimit()
    {
        ReplyTable table;
        char dest[12] = {};
        // A broken reply still answers its request: the next one is trusted.
        table.noteRequest(0x0031);
        table.noteBrokenReply(0x0031);
        QCOMPARE(table.waitFor(0x0031, dest, 12, 5), 0);
        table.noteRequest(0x0031);
        QVERIFY(!table.replyUntrusted(0x0031));
        table.store(0x0031, frameOf(12, 'b'));
        QCOMPARE(table.waitFor(0x0031, dest, 12, 5), 12);

        // A request that was never written is not owed a reply.
        table.noteRequest(0x0032);
        table.withdrawRequest(0x0032);
        table.noteRequest(0x0032);
        QVERIFY(!table.replyUntrusted(0x0032));

        // A reply that never comes is given up after the late limit.
        table.noteRequest(0x0033);
        QCOMPARE(table.waitFor(0x0033, dest, 12, 5), 0);
        table.noteRequest(0x0033);
        QVERIFY(table.replyUntrusted(0x0033));
        table.store(0x0033, frameOf(12, 'd')); // dropped: may be the lost one's
        QCOMPARE(table.waitFor(0x0033, dest, 12, 5), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(ReplyTable::kLateReplyLimitMs + 50));
        table.noteRequest(0x0033);
        QVERIFY(!table.replyUntrusted(0x0033));
        table.store(0x0033, frameOf(12, 'e'));
        QCOMPARE(table.waitFor(0x0033, dest, 12, 5), 12);
        QCOMPARE(dest[0], 'e');
    }
};

QTEST_APPLESS_MAIN(ReplyTableTest)
#include "tst_reply_table.moc"
