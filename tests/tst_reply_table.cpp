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
};

QTEST_APPLESS_MAIN(ReplyTableTest)
#include "tst_reply_table.moc"
