// Malformed usbfs requests straight at the emulated node, bypassing libusb's
// own checks: each gets the kernel's error code, nothing crashes, and the
// controller still answers afterwards.
#include "UsbfsControl.h"

#include <QCoreApplication>
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr int Id = 14;
// Controller node of the default scenario: bus 1, the address after the root hub.
const char *const Node = "/dev/bus/usb/001/002";

// A bulk URB on one endpoint over the whole of a buffer.
usbdevfs_urb bulkUrb(unsigned char endpoint, void *buffer, int length)
{
    usbdevfs_urb urb{};
    urb.type = USBDEVFS_URB_TYPE_BULK;
    urb.endpoint = endpoint;
    urb.buffer = buffer;
    urb.buffer_length = length;
    return urb;
}

int errnoOf(int result)
{
    return result < 0 ? errno : 0;
}
} // namespace

class TstUsbfsHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_fd = ::open(Node, O_RDWR | O_CLOEXEC);
        QVERIFY2(m_fd >= 0, Node);
        unsigned int interface = 0;
        QCOMPARE(::ioctl(m_fd, USBDEVFS_CLAIMINTERFACE, &interface), 0);
    }

    void cleanup()
    {
        if (m_fd >= 0) {
            unsigned int interface = 0;
            ::ioctl(m_fd, USBDEVFS_RELEASEINTERFACE, &interface);
            ::close(m_fd);
        }
        m_fd = -1;
    }

    void badUrbsAreRefused()
    {
        unsigned char buffer[64] = {};
        usbdevfs_urb urb{};
        urb.type = USBDEVFS_URB_TYPE_CONTROL; // only bulk endpoints exist
        urb.endpoint = 0x01;
        urb.buffer = buffer;
        urb.buffer_length = sizeof buffer;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_SUBMITURB, &urb)), EINVAL);

        urb.type = USBDEVFS_URB_TYPE_BULK;
        urb.buffer_length = -5;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_SUBMITURB, &urb)), EINVAL);

        urb.buffer_length = 1 << 30;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_SUBMITURB, &urb)), EINVAL);

        urb.buffer = nullptr;
        urb.buffer_length = 16;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_SUBMITURB, &urb)), EINVAL);

        urb.buffer = buffer;
        urb.endpoint = 0x05; // no such endpoint
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_SUBMITURB, &urb)), ENOENT);

        QVERIFY(UsbfsControl::stat(Id, QStringLiteral("rejected")) >= 4);
    }

    void strayDiscardsAndReapsAreAnswered()
    {
        usbdevfs_urb notOurs{};
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_DISCARDURB, &notOurs)), EINVAL);
        void *reaped = nullptr;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_REAPURBNDELAY, &reaped)), EAGAIN);
        QVERIFY(reaped == nullptr);
        unsigned int endpoint = 0x07;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_CLEAR_HALT, &endpoint)), ENOENT);
        unsigned int interface = 3;
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_CLAIMINTERFACE, &interface)), ENOENT);
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_RESETEP + 0x40, &interface)), ENOTTY);
    }

    void rawExchangeStillWorks()
    {
        // A request that is not a frame is recorded and left unanswered.
        unsigned char junk[5] = {1, 2, 3, 4, 5};
        usbdevfs_urb out = bulkUrb(0x01, junk, sizeof junk);
        QCOMPARE(::ioctl(m_fd, USBDEVFS_SUBMITURB, &out), 0);
        void *reaped = nullptr;
        QCOMPARE(::ioctl(m_fd, USBDEVFS_REAPURBNDELAY, &reaped), 0);
        QCOMPARE(reaped, static_cast<void *>(&out));
        QCOMPARE(out.status, 0);
        QCOMPARE(out.actual_length, 5);

        // An IN URB waits; discarding it hands it back with -ENOENT.
        unsigned char in[64] = {};
        usbdevfs_urb read = bulkUrb(0x81, in, sizeof in);
        QCOMPARE(::ioctl(m_fd, USBDEVFS_SUBMITURB, &read), 0);
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_REAPURBNDELAY, &reaped)), EAGAIN);
        QCOMPARE(::ioctl(m_fd, USBDEVFS_DISCARDURB, &read), 0);
        QCOMPARE(errnoOf(::ioctl(m_fd, USBDEVFS_DISCARDURB, &read)), EINVAL); // already done
        QCOMPARE(::ioctl(m_fd, USBDEVFS_REAPURBNDELAY, &reaped), 0);
        QCOMPARE(reaped, static_cast<void *>(&read));
        QCOMPARE(read.status, -ENOENT);
        QCOMPARE(read.actual_length, 0);

        // Bytes pushed on the IN side reach a waiting URB whole.
        QVERIFY(UsbfsControl::ok(QStringLiteral("push %1 0102030405060708").arg(Id)));
        QCOMPARE(::ioctl(m_fd, USBDEVFS_SUBMITURB, &read), 0);
        reaped = nullptr;
        for (int i = 0; i < 100 && reaped == nullptr; ++i) {
            if (::ioctl(m_fd, USBDEVFS_REAPURBNDELAY, &reaped) != 0)
                QThread::msleep(1);
        }
        QCOMPARE(reaped, static_cast<void *>(&read));
        QCOMPARE(read.status, 0);
        QCOMPARE(read.actual_length, 8);
        QCOMPARE(int(in[0]), 1);
        QCOMPARE(int(in[7]), 8);
    }

private:
    int m_fd = -1;
};

VELMO_USBFS_TEST_MAIN(TstUsbfsHostile)
#include "tst_usbfs_hostile.moc"
