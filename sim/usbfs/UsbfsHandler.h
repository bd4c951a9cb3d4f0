// Answers the usbfs ioctls libusb makes on one emulated controller node from
// the shared device model: claims, halts and bulk URBs. Called on umockdev's
// ioctl thread; the control channel reaches in from the main thread, so all
// state sits behind one mutex.
#ifndef VELMO_USBFS_USBFSHANDLER_H
#define VELMO_USBFS_USBFSHANDLER_H

#include "UmockdevIncludes.h"
#include "VirtualBus.h"

#include <deque>
#include <mutex>
#include <string>

class UsbfsHandler
{
public:
    struct Counters {
        long submitted = 0;
        long discarded = 0;
        long lateDiscards = 0; // discards of URBs that had already completed with data
        long reaped = 0;
        long inCompleted = 0;
        long rejected = 0; // URBs refused as malformed
    };

    UsbfsHandler(VirtualBus &bus, int deviceId);
    ~UsbfsHandler();
    UsbfsHandler(const UsbfsHandler &) = delete;
    UsbfsHandler &operator=(const UsbfsHandler &) = delete;

    UMockdevIoctlBase *ioctlBase() const { return m_base; }
    int deviceId() const { return m_deviceId; }

    // The device went away: URBs in flight end with -ENODEV, later ioctls fail.
    void unplug();
    // The device is (back) at this node; the next ioctl from it opens a new
    // session, while file descriptors of an older node stay dead.
    void plugAt(const std::string &devnode);

    Counters counters() const;
    bool claimed() const;

private:
    struct Urb {
        UMockdevIoctlData *urb = nullptr;    // the client's struct usbdevfs_urb
        UMockdevIoctlData *buffer = nullptr; // its data buffer, null when empty
    };

    static gboolean onIoctl(UMockdevIoctlBase *base, UMockdevIoctlClient *client, gpointer self);
    static void onConnected(UMockdevIoctlBase *base, UMockdevIoctlClient *client, gpointer self);
    static void onVanished(UMockdevIoctlBase *base, UMockdevIoctlClient *client, gpointer self);
    void handle(UMockdevIoctlClient *client);
    long submit(UMockdevIoctlData *arg);
    long reap(UMockdevIoctlData *arg, int *error);
    long discard(UMockdevIoctlData *arg);
    long driverRequest(UMockdevIoctlData *arg, int *error);
    long getDriver(UMockdevIoctlData *arg, int *error);
    bool ensureSession();
    void resetSession();
    void pumpIn();
    void finish(Urb urb, int status, int actualLength);
    static void release(Urb *urb);
    static int errnoOf(VirtualBus::Result result);

    VirtualBus &m_bus;
    const int m_deviceId;
    UMockdevIoctlBase *m_base = nullptr;
    mutable std::mutex m_mutex;
    VirtualBus::Session m_session;
    bool m_sessionOpen = false;
    bool m_gone = false;
    std::string m_devnode;
    std::deque<Urb> m_pendingIn;
    std::deque<Urb> m_completed;
    Counters m_counters;
};

#endif
