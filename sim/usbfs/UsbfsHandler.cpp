#include "UsbfsHandler.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace {

// Larger URBs than this are refused; the kernel's own limit is the usbfs
// memory budget (16 MiB by default).
constexpr int MaxUrbBytes = 16 << 20;

// Capabilities of a typical xHCI host: one URB may carry a whole read.
constexpr std::uint32_t Capabilities = USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION
    | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;

UMockdevIoctlData *resolve(UMockdevIoctlData *data, gsize offset, gsize length)
{
    GError *error = nullptr;
    UMockdevIoctlData *resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error != nullptr)
        g_error_free(error);
    return resolved;
}

} // namespace

UsbfsHandler::UsbfsHandler(VirtualBus &bus, int deviceId)
    : m_bus(bus), m_deviceId(deviceId), m_base(umockdev_ioctl_base_new())
{
    g_signal_connect(m_base, "handle-ioctl", G_CALLBACK(&UsbfsHandler::onIoctl), this);
    g_signal_connect(m_base, "client-connected", G_CALLBACK(&UsbfsHandler::onConnected), this);
    g_signal_connect(m_base, "client-vanished", G_CALLBACK(&UsbfsHandler::onVanished), this);
}

UsbfsHandler::~UsbfsHandler()
{
    g_signal_handlers_disconnect_by_data(m_base, this);
    std::lock_guard<std::mutex> lock(m_mutex);
    resetSession();
    g_object_unref(m_base);
}

gboolean UsbfsHandler::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self)
{
    static_cast<UsbfsHandler *>(self)->handle(client);
    return TRUE;
}

void UsbfsHandler::onConnected(UMockdevIoctlBase *, UMockdevIoctlClient *, gpointer self)
{
    // umockdev 0.17 does not report a closed descriptor until the process
    // ends, so a new open stands for the close of the previous one: the
    // library and libusb keep one descriptor per controller at a time.
    auto *handler = static_cast<UsbfsHandler *>(self);
    std::lock_guard<std::mutex> lock(handler->m_mutex);
    handler->resetSession();
}

void UsbfsHandler::onVanished(UMockdevIoctlBase *, UMockdevIoctlClient *, gpointer self)
{
    auto *handler = static_cast<UsbfsHandler *>(self);
    std::lock_guard<std::mutex> lock(handler->m_mutex);
    handler->resetSession();
}

void UsbfsHandler::resetSession()
{
    // As when a usbfs file is closed: claims released, URBs dropped.
    for (Urb &urb : m_pendingIn)
        release(&urb);
    for (Urb &urb : m_completed)
        release(&urb);
    m_pendingIn.clear();
    m_completed.clear();
    if (m_sessionOpen)
        m_bus.close(&m_session);
    m_sessionOpen = false;
}

int UsbfsHandler::errnoOf(VirtualBus::Result result)
{
    switch (result) {
    case VirtualBus::Result::Ok:
        return 0;
    case VirtualBus::Result::Timeout:
        return EAGAIN;
    case VirtualBus::Result::NoDevice:
        return ENODEV;
    case VirtualBus::Result::Pipe:
        return EPIPE;
    case VirtualBus::Result::Busy:
        return EBUSY;
    case VirtualBus::Result::NotFound:
        return ENOENT;
    case VirtualBus::Result::Access:
        return EACCES;
    case VirtualBus::Result::InvalidParam:
        return EINVAL;
    case VirtualBus::Result::Io:
        break;
    }
    return EIO;
}

bool UsbfsHandler::ensureSession()
{
    if (m_gone)
        return false;
    if (m_sessionOpen)
        return true;
    std::vector<int> path;
    int busNumber = 0;
    if (m_bus.withController(m_deviceId, [&](ControllerModel &c) {
            path = c.portPath();
            busNumber = c.bus();
        }) != 0)
        return false;
    for (const VirtualBus::DeviceEntry &entry : m_bus.devices()) {
        if (entry.controller && entry.bus == busNumber && entry.portPath == path)
            m_sessionOpen = m_bus.open(entry.key, &m_session) == VirtualBus::Result::Ok;
    }
    return m_sessionOpen;
}

void UsbfsHandler::handle(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard<std::mutex> lock(m_mutex);
    long result = 0;
    int error = 0;

    // A descriptor opened on an earlier plug-in stays dead after a re-plug.
    const char *devnode = umockdev_ioctl_client_get_devnode(client);
    if (devnode != nullptr && !m_devnode.empty() && m_devnode != devnode) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }

    // Reaping after an unplug still hands back the URBs that died with it.
    const bool reapRequest = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY;
    if (!reapRequest && request != USBDEVFS_GET_CAPABILITIES && !ensureSession()) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }

    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = resolve(arg, 0, sizeof(std::uint32_t));
        if (caps == nullptr) {
            result = -1;
            error = EFAULT;
            break;
        }
        std::memcpy(caps->data, &Capabilities, sizeof Capabilities);
        umockdev_ioctl_data_unref(caps);
        break;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT: {
        UMockdevIoctlData *value = resolve(arg, 0, sizeof(unsigned int));
        if (value == nullptr) {
            result = -1;
            error = EFAULT;
            break;
        }
        unsigned int number = 0;
        std::memcpy(&number, value->data, sizeof number);
        umockdev_ioctl_data_unref(value);
        VirtualBus::Result outcome = VirtualBus::Result::Ok;
        if (request == USBDEVFS_CLAIMINTERFACE)
            outcome = m_bus.claimInterface(&m_session, int(number));
        else if (request == USBDEVFS_RELEASEINTERFACE)
            outcome = m_bus.releaseInterface(&m_session, int(number));
        else
            outcome = m_bus.clearHalt(m_session, std::uint8_t(number));
        if (request == USBDEVFS_RELEASEINTERFACE && outcome == VirtualBus::Result::NotFound)
            outcome = VirtualBus::Result::InvalidParam; // the kernel's answer for an unclaimed interface
        error = errnoOf(outcome);
        result = error == 0 ? 0 : -1;
        break;
    }
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
        break;
    case USBDEVFS_GETDRIVER:
        result = getDriver(arg, &error);
        break;
    case USBDEVFS_IOCTL:
        result = driverRequest(arg, &error);
        break;
    case USBDEVFS_SUBMITURB:
        result = submit(arg);
        if (result < 0) {
            error = int(-result);
            result = -1;
        }
        break;
    case USBDEVFS_DISCARDURB:
        result = discard(arg);
        if (result < 0) {
            error = int(-result);
            result = -1;
        }
        break;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        // The node polls as always ready, so libusb only ever asks without
        // waiting; a blocking reap is answered the same way.
        result = reap(arg, &error);
        break;
    default:
        result = -1;
        error = ENOTTY;
        break;
    }
    umockdev_ioctl_client_complete(client, result, error);
}

long UsbfsHandler::getDriver(UMockdevIoctlData *arg, int *error)
{
    UMockdevIoctlData *data = resolve(arg, 0, sizeof(usbdevfs_getdriver));
    if (data == nullptr) {
        *error = EFAULT;
        return -1;
    }
    usbdevfs_getdriver request{};
    std::memcpy(&request, data->data, sizeof request);
    bool active = false;
    const VirtualBus::Result outcome = m_bus.kernelDriverActive(m_session, int(request.interface), &active);
    long result = 0;
    if (outcome != VirtualBus::Result::Ok) {
        *error = outcome == VirtualBus::Result::NotFound ? EINVAL : errnoOf(outcome);
        result = -1;
    } else if (!active) {
        *error = ENODATA;
        result = -1;
    } else {
        std::memset(request.driver, 0, sizeof request.driver);
        std::strncpy(request.driver, "velmo-kernel", sizeof request.driver - 1);
        std::memcpy(data->data, &request, sizeof request);
    }
    umockdev_ioctl_data_unref(data);
    return result;
}

long UsbfsHandler::driverRequest(UMockdevIoctlData *arg, int *error)
{
    UMockdevIoctlData *data = resolve(arg, 0, sizeof(usbdevfs_ioctl));
    if (data == nullptr) {
        *error = EFAULT;
        return -1;
    }
    usbdevfs_ioctl request{};
    std::memcpy(&request, data->data, sizeof request);
    umockdev_ioctl_data_unref(data);
    if (request.ioctl_code != int(USBDEVFS_DISCONNECT) && request.ioctl_code != int(USBDEVFS_CONNECT)) {
        *error = ENOTTY;
        return -1;
    }
    const bool attach = request.ioctl_code == int(USBDEVFS_CONNECT);
    const VirtualBus::Result outcome = m_bus.setKernelDriver(m_session, request.ifno, attach);
    if (outcome == VirtualBus::Result::Ok)
        return 0;
    // Detaching with no driver bound is ENODATA in the kernel.
    *error = outcome == VirtualBus::Result::NotFound ? ENODATA : errnoOf(outcome);
    return -1;
}

long UsbfsHandler::submit(UMockdevIoctlData *arg)
{
    Urb urb;
    urb.urb = resolve(arg, 0, sizeof(usbdevfs_urb));
    if (urb.urb == nullptr)
        return -EFAULT;
    auto *raw = reinterpret_cast<usbdevfs_urb *>(urb.urb->data);
    const bool in = (raw->endpoint & 0x80) != 0;
    if (raw->type != USBDEVFS_URB_TYPE_BULK || raw->buffer_length < 0 || raw->buffer_length > MaxUrbBytes
        || (raw->buffer_length > 0 && raw->buffer == nullptr)) {
        ++m_counters.rejected;
        release(&urb);
        return -EINVAL;
    }
    if (raw->buffer_length > 0) {
        urb.buffer = resolve(urb.urb, G_STRUCT_OFFSET(usbdevfs_urb, buffer), gsize(raw->buffer_length));
        if (urb.buffer == nullptr) {
            ++m_counters.rejected;
            release(&urb);
            return -EFAULT;
        }
    }
    ++m_counters.submitted;
    if (in) {
        // Checked now so that a bad endpoint or a refused claim fails the
        // submit, as in the kernel; the data itself comes later.
        int none = 0;
        const VirtualBus::Result probe = m_bus.pollIn(m_session, raw->endpoint, nullptr, 0, &none);
        if (probe != VirtualBus::Result::Ok && probe != VirtualBus::Result::Pipe) {
            release(&urb);
            return -errnoOf(probe);
        }
        m_pendingIn.push_back(urb);
        pumpIn();
        return 0;
    }
    int transferred = 0;
    const VirtualBus::Result outcome = m_bus.bulkOut(m_session, raw->endpoint,
                                                     urb.buffer ? urb.buffer->data : nullptr, raw->buffer_length,
                                                     &transferred);
    if (outcome != VirtualBus::Result::Ok) {
        release(&urb);
        return -errnoOf(outcome);
    }
    finish(urb, 0, transferred);
    return 0;
}

void UsbfsHandler::pumpIn()
{
    while (!m_pendingIn.empty() && !m_gone) {
        Urb &urb = m_pendingIn.front();
        auto *raw = reinterpret_cast<usbdevfs_urb *>(urb.urb->data);
        int got = 0;
        const VirtualBus::Result outcome = m_bus.pollIn(m_session, raw->endpoint,
                                                        urb.buffer ? urb.buffer->data : nullptr,
                                                        raw->buffer_length, &got);
        if (outcome == VirtualBus::Result::Timeout)
            return;
        const Urb done = urb;
        m_pendingIn.pop_front();
        ++m_counters.inCompleted;
        finish(done, outcome == VirtualBus::Result::Ok ? 0 : -errnoOf(outcome), got);
    }
}

void UsbfsHandler::finish(Urb urb, int status, int actualLength)
{
    auto *raw = reinterpret_cast<usbdevfs_urb *>(urb.urb->data);
    raw->status = status;
    raw->actual_length = actualLength;
    m_completed.push_back(urb);
}

long UsbfsHandler::discard(UMockdevIoctlData *arg)
{
    if (arg->data_len < int(sizeof(void *)))
        return -EFAULT;
    gulong address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    for (auto it = m_pendingIn.begin(); it != m_pendingIn.end(); ++it) {
        if (it->urb->client_addr == address) {
            const Urb urb = *it;
            m_pendingIn.erase(it);
            ++m_counters.discarded;
            finish(urb, -ENOENT, 0);
            return 0;
        }
    }
    for (const Urb &urb : m_completed) {
        if (urb.urb->client_addr == address) {
            ++m_counters.lateDiscards;
            break;
        }
    }
    return -EINVAL; // already completed (or never ours): the kernel says EINVAL
}

long UsbfsHandler::reap(UMockdevIoctlData *arg, int *error)
{
    pumpIn();
    if (m_completed.empty()) {
        *error = m_gone ? ENODEV : EAGAIN;
        return -1;
    }
    UMockdevIoctlData *slot = resolve(arg, 0, sizeof(void *));
    if (slot == nullptr) {
        *error = EFAULT;
        return -1;
    }
    Urb urb = m_completed.front();
    m_completed.pop_front();
    // Pointing the client's slot at the URB writes the URB and its buffer
    // back into the client when the ioctl completes.
    umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
    umockdev_ioctl_data_unref(slot);
    release(&urb);
    ++m_counters.reaped;
    return 0;
}

void UsbfsHandler::release(Urb *urb)
{
    if (urb->buffer != nullptr)
        umockdev_ioctl_data_unref(urb->buffer);
    if (urb->urb != nullptr)
        umockdev_ioctl_data_unref(urb->urb);
    urb->buffer = nullptr;
    urb->urb = nullptr;
}

void UsbfsHandler::unplug()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_gone = true;
    while (!m_pendingIn.empty()) {
        const Urb urb = m_pendingIn.front();
        m_pendingIn.pop_front();
        finish(urb, -ENODEV, 0);
    }
    if (m_sessionOpen)
        m_bus.close(&m_session);
    m_sessionOpen = false;
}

void UsbfsHandler::plugAt(const std::string &devnode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Urb &urb : m_completed)
        release(&urb);
    m_completed.clear();
    m_gone = false;
    m_devnode = devnode;
}

UsbfsHandler::Counters UsbfsHandler::counters() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counters;
}

bool UsbfsHandler::claimed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sessionOpen && (m_session.claimed & 1u) != 0;
}
