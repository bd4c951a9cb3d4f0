// The libusb front end of the virtual controller, driven the way a host
// drives a real device: raw libusb calls plus the velmoSim control API.
#include <libusb.h>

#include "velmoSim.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

constexpr int ControllerId = 14;

std::uint16_t checksum(const unsigned char *bytes, std::size_t length)
{
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < length; i += 2)
        sum ^= static_cast<std::uint16_t>((bytes[i] << 8) | (i + 1 < length ? bytes[i + 1] : 0));
    return sum;
}

Bytes request(std::uint16_t code, const Bytes &payload)
{
    Bytes frame{0x55, 0xAA, static_cast<unsigned char>(code & 0xFF), static_cast<unsigned char>(code >> 8),
                static_cast<unsigned char>(payload.size() & 0xFF), static_cast<unsigned char>(payload.size() >> 8)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    const std::uint16_t sum = checksum(frame.data(), frame.size());
    frame.push_back(static_cast<unsigned char>(sum >> 8));
    frame.push_back(static_cast<unsigned char>(sum & 0xFF));
    return frame;
}

// The reply of getRuningState for axis 1 of a fresh default controller.
Bytes stateReplyAxis1()
{
    // status: enabled, can run, stopped (0x000B); jog index 0
    Bytes frame{0xAA, 0x55, 0x24, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00};
    const std::uint16_t sum = checksum(frame.data(), frame.size());
    frame.push_back(static_cast<unsigned char>(sum >> 8));
    frame.push_back(static_cast<unsigned char>(sum & 0xFF));
    return frame;
}

// What a transfer callback saw.
struct Completion {
    int completed = 0;
    int status = -1;
    Bytes bytes;
};

void LIBUSB_CALL recordCompletion(libusb_transfer *transfer)
{
    auto *completion = static_cast<Completion *>(transfer->user_data);
    completion->status = transfer->status;
    completion->bytes.assign(transfer->buffer, transfer->buffer + transfer->actual_length);
    completion->completed = 1;
}

int portId(libusb_device *device)
{
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, 8);
    int id = 0;
    for (int i = 0; i < depth; ++i)
        id = id * 10 + ports[i];
    return depth > 0 ? id : 0;
}

} // namespace

class SimUsbTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void enumerationListsControllersHubsAndOthers();
    void openClaimAndEndpointWalk();
    void extraEndpointsAndKernelDriver();
    void requestAndReplyOverBulk();
    void inTransferTimesOutWithZeroBytes();
    void unplugWakesWaitingReader();
    void stallOnceUntilHaltCleared();
    void openAndClaimFailures();
    void replyFaultByteShapes();
    void pushedBytesAndWrittenFrames();
    void nullArgumentsAreRefused();
    void asyncInTransferEndsOnlyInEventHandling();
    void eventHandlingSleepsUntilWoken();

private:
    libusb_device_handle *openController(int id = ControllerId);
    Bytes exchange(libusb_device_handle *handle, std::uint16_t code, const Bytes &payload);
    Bytes readAll(libusb_device_handle *handle, unsigned timeoutMs = 50);
};

void SimUsbTest::init()
{
    QCOMPARE(vsim_load_scenario("{}"), VSIM_OK);
    QCOMPARE(libusb_init(nullptr), 0);
}

libusb_device_handle *SimUsbTest::openController(int id)
{
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    libusb_device_handle *handle = nullptr;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor;
        libusb_get_device_descriptor(list[i], &descriptor);
        if (descriptor.idVendor == 0x4306 && descriptor.idProduct == 0x5745 && portId(list[i]) == id) {
            if (libusb_open(list[i], &handle) != 0)
                handle = nullptr;
            break;
        }
    }
    libusb_free_device_list(list, 1);
    return handle;
}

Bytes SimUsbTest::readAll(libusb_device_handle *handle, unsigned timeoutMs)
{
    unsigned char buffer[41120];
    int transferred = 0;
    const int result = libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, timeoutMs);
    if (result != 0)
        return {};
    return Bytes(buffer, buffer + transferred);
}

Bytes SimUsbTest::exchange(libusb_device_handle *handle, std::uint16_t code, const Bytes &payload)
{
    Bytes frame = request(code, payload);
    int transferred = 0;
    if (libusb_bulk_transfer(handle, 0x01, frame.data(), static_cast<int>(frame.size()), &transferred, 0) != 0)
        return {};
    return readAll(handle, 100);
}

void SimUsbTest::enumerationListsControllersHubsAndOthers()
{
    QCOMPARE(vsim_load_scenario(R"({
        "hubs": [{"portPath": [1]}],
        "controllers": [{"portPath": [1, 4]}, {"portPath": [1, 2, 3], "serialNumber": "VM-0002"},
                        {"portPath": [2], "bus": 2, "plugged": false}],
        "otherDevices": [{"vendorId": "0x046d", "productId": "0xc077", "portPath": [1, 1]},
                         {"vendorId": "0x4306", "productId": "0x0001", "portPath": [3]}]})"),
             VSIM_OK);
    QCOMPARE(vsim_controller_count(), 3);
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    QCOMPARE(count, ssize_t(7)); // two root hubs, a hub, two controllers, two others
    QVERIFY(list[count] == nullptr);
    std::vector<int> controllers;
    int hubs = 0;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor;
        QCOMPARE(libusb_get_device_descriptor(list[i], &descriptor), 0);
        QCOMPARE(int(descriptor.bNumConfigurations), 1);
        if (descriptor.bDeviceClass == LIBUSB_CLASS_HUB)
            ++hubs;
        if (descriptor.idVendor == 0x4306 && descriptor.idProduct == 0x5745)
            controllers.push_back(portId(list[i]));
    }
    QCOMPARE(hubs, 3);
    QCOMPARE(controllers, (std::vector<int>{14, 123}));

    // A port-number buffer too small overflows, as in libusb.
    std::uint8_t ports[2];
    for (ssize_t i = 0; i < count; ++i) {
        if (portId(list[i]) == 123)
            QCOMPARE(libusb_get_port_numbers(list[i], ports, 2), int(LIBUSB_ERROR_OVERFLOW));
    }
    // The same devices come back in the next list while they stay plugged.
    libusb_device **again = nullptr;
    QCOMPARE(libusb_get_device_list(nullptr, &again), count);
    QVERIFY(again[3] == list[3]);
    libusb_free_device_list(again, 1);
    libusb_free_device_list(list, 1);

    // Re-plugging the unplugged one adds it; unplugging removes it again.
    QCOMPARE(vsim_set_plugged(2, 1), VSIM_OK);
    QCOMPARE(libusb_get_device_list(nullptr, &list), ssize_t(8));
    libusb_free_device_list(list, 1);
    QCOMPARE(vsim_set_plugged(14, 0), VSIM_OK);
    QCOMPARE(libusb_get_device_list(nullptr, &list), ssize_t(7));
    libusb_free_device_list(list, 1);
    QCOMPARE(vsim_set_plugged(99, 0), VSIM_ERR_NO_CONTROLLER);
}

void SimUsbTest::openClaimAndEndpointWalk()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    QCOMPARE(vsim_open_count(ControllerId), 1);
    QCOMPARE(vsim_open_handles(ControllerId), 1);
    libusb_device *device = libusb_get_device(handle);
    libusb_config_descriptor *config = nullptr;
    QCOMPARE(libusb_get_config_descriptor(device, 0, &config), 0);
    QCOMPARE(int(config->bNumInterfaces), 1);
    QCOMPARE(config->interface[0].num_altsetting, 1);
    const libusb_interface_descriptor &setting = config->interface[0].altsetting[0];
    QCOMPARE(int(setting.bNumEndpoints), 2);
    QCOMPARE(int(setting.endpoint[0].bEndpointAddress), 0x01);
    QCOMPARE(int(setting.endpoint[1].bEndpointAddress), 0x81);
    QCOMPARE(setting.endpoint[0].bmAttributes & 3, int(LIBUSB_TRANSFER_TYPE_BULK));
    libusb_free_config_descriptor(config);
    QCOMPARE(libusb_get_config_descriptor(device, 1, &config), int(LIBUSB_ERROR_NOT_FOUND));

    QCOMPARE(libusb_kernel_driver_active(handle, 0), 0);
    QCOMPARE(libusb_claim_interface(handle, 0), 0);
    QCOMPARE(libusb_claim_interface(handle, 1), int(LIBUSB_ERROR_NOT_FOUND));
    QCOMPARE(libusb_clear_halt(handle, 0x81), 0);
    QCOMPARE(libusb_release_interface(handle, 0), 0);

    libusb_device_handle *second = openController();
    QVERIFY(second != nullptr);
    QCOMPARE(vsim_open_handles(ControllerId), 2);
    libusb_close(second);
    libusb_close(handle);
    QCOMPARE(vsim_open_handles(ControllerId), 0);
    QCOMPARE(vsim_open_count(ControllerId), 2);
}

void SimUsbTest::extraEndpointsAndKernelDriver()
{
    QCOMPARE(vsim_load_scenario(R"({"controllers": [{"extraEndpoints": true, "kernelDriverActive": true}]})"), VSIM_OK);
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    libusb_config_descriptor *config = nullptr;
    QCOMPARE(libusb_get_config_descriptor(libusb_get_device(handle), 0, &config), 0);
    const libusb_interface_descriptor &setting = config->interface[0].altsetting[0];
    QCOMPARE(int(setting.bNumEndpoints), 4);
    QCOMPARE(int(setting.endpoint[2].bEndpointAddress), 0x02);
    QCOMPARE(int(setting.endpoint[3].bEndpointAddress), 0x82);
    libusb_free_config_descriptor(config);

    QCOMPARE(libusb_kernel_driver_active(handle, 0), 1);
    QCOMPARE(libusb_claim_interface(handle, 0), int(LIBUSB_ERROR_BUSY));
    QCOMPARE(libusb_detach_kernel_driver(handle, 0), 0);
    QCOMPARE(libusb_kernel_driver_active(handle, 0), 0);
    QCOMPARE(libusb_detach_kernel_driver(handle, 0), int(LIBUSB_ERROR_NOT_FOUND));
    QCOMPARE(libusb_claim_interface(handle, 0), 0);

    // The controller answers on the last pair as well as the first.
    Bytes frame = request(0x0024, {0x01, 0x00});
    int transferred = 0;
    QCOMPARE(libusb_bulk_transfer(handle, 0x02, frame.data(), int(frame.size()), &transferred, 0), 0);
    QCOMPARE(transferred, int(frame.size()));
    unsigned char buffer[64];
    QCOMPARE(libusb_bulk_transfer(handle, 0x82, buffer, sizeof buffer, &transferred, 100), 0);
    QCOMPARE(Bytes(buffer, buffer + transferred), stateReplyAxis1());
    QCOMPARE(libusb_bulk_transfer(handle, 0x83, buffer, sizeof buffer, &transferred, 10), int(LIBUSB_ERROR_NOT_FOUND));
    libusb_close(handle);
}

void SimUsbTest::requestAndReplyOverBulk()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    QCOMPARE(libusb_claim_interface(handle, 0), 0);
    QCOMPARE(exchange(handle, 0x0024, {0x01, 0x00}), stateReplyAxis1());
    // Two requests before reading: both replies arrive in one read.
    Bytes first = request(0x0024, {0x01, 0x00});
    int transferred = 0;
    libusb_bulk_transfer(handle, 0x01, first.data(), int(first.size()), &transferred, 0);
    libusb_bulk_transfer(handle, 0x01, first.data(), int(first.size()), &transferred, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    QCOMPARE(readAll(handle).size(), 2 * stateReplyAxis1().size());
    // A small buffer takes the stream piecewise.
    libusb_bulk_transfer(handle, 0x01, first.data(), int(first.size()), &transferred, 0);
    unsigned char piece[5];
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, piece, sizeof piece, &transferred, 100), 0);
    QCOMPARE(transferred, 5);
    QCOMPARE(readAll(handle).size(), stateReplyAxis1().size() - 5);
    // Junk requests get no answer.
    Bytes junk{0x55, 0xAA, 0x24, 0x00};
    QCOMPARE(libusb_bulk_transfer(handle, 0x01, junk.data(), int(junk.size()), &transferred, 0), 0);
    QCOMPARE(transferred, 4);
    QVERIFY(readAll(handle, 20).empty());
    libusb_close(handle);
}

void SimUsbTest::inTransferTimesOutWithZeroBytes()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    unsigned char buffer[64];
    int transferred = -1;
    const auto start = std::chrono::steady_clock::now();
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 30), int(LIBUSB_ERROR_TIMEOUT));
    const auto waited = std::chrono::steady_clock::now() - start;
    QCOMPARE(transferred, 0);
    QVERIFY(waited >= std::chrono::milliseconds(29));
    QVERIFY(waited < std::chrono::milliseconds(500));
    // The latency is honoured: a 1 ms read right after a slow controller's request sees nothing.
    QCOMPARE(vsim_set_latency_us(ControllerId, 40000), VSIM_OK);
    Bytes frame = request(0x0024, {0x01, 0x00});
    libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0);
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 1), int(LIBUSB_ERROR_TIMEOUT));
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 200), 0);
    QCOMPARE(transferred, int(stateReplyAxis1().size()));
    libusb_close(handle);
}

void SimUsbTest::unplugWakesWaitingReader()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    std::atomic<int> result{1};
    std::thread reader([&] {
        unsigned char buffer[64];
        int transferred = 0;
        result = libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 0); // no time-out
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QCOMPARE(result.load(), 1);
    QCOMPARE(vsim_set_plugged(ControllerId, 0), VSIM_OK);
    reader.join();
    QCOMPARE(result.load(), int(LIBUSB_ERROR_NO_DEVICE));
    Bytes frame = request(0x0024, {0x01, 0x00});
    int transferred = 7;
    QCOMPARE(libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0),
             int(LIBUSB_ERROR_NO_DEVICE));
    QCOMPARE(transferred, 0);
    // Back again it is a new device: the old handle stays dead, a new one works.
    QCOMPARE(vsim_set_plugged(ControllerId, 1), VSIM_OK);
    QCOMPARE(libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0),
             int(LIBUSB_ERROR_NO_DEVICE));
    libusb_close(handle);
    handle = openController();
    QVERIFY(handle != nullptr);
    QCOMPARE(exchange(handle, 0x0024, {0x01, 0x00}), stateReplyAxis1());
    // Reloading the bus kills handles of the old one.
    QCOMPARE(vsim_load_scenario("{}"), VSIM_OK);
    QCOMPARE(libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0),
             int(LIBUSB_ERROR_NO_DEVICE));
    libusb_close(handle);
}

void SimUsbTest::stallOnceUntilHaltCleared()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    QCOMPARE(vsim_stall_in_once(ControllerId), VSIM_OK);
    unsigned char buffer[64];
    int transferred = 0;
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 10), int(LIBUSB_ERROR_PIPE));
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 10), int(LIBUSB_ERROR_PIPE));
    QCOMPARE(libusb_clear_halt(handle, 0x01), 0); // the OUT endpoint is not the stalled one
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 10), int(LIBUSB_ERROR_PIPE));
    QCOMPARE(libusb_clear_halt(handle, 0x81), 0);
    QCOMPARE(libusb_bulk_transfer(handle, 0x81, buffer, sizeof buffer, &transferred, 10), int(LIBUSB_ERROR_TIMEOUT));
    QCOMPARE(exchange(handle, 0x0024, {0x01, 0x00}), stateReplyAxis1());
    libusb_close(handle);
}

void SimUsbTest::openAndClaimFailures()
{
    QCOMPARE(vsim_fail_open(ControllerId, 1), VSIM_OK);
    QVERIFY(openController() == nullptr);
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    libusb_close(handle);
    QCOMPARE(vsim_fail_open(ControllerId, -1), VSIM_OK);
    for (int i = 0; i < 3; ++i)
        QVERIFY(openController() == nullptr);
    QCOMPARE(vsim_fail_open(ControllerId, 0), VSIM_OK);
    QCOMPARE(vsim_open_count(ControllerId), 1);

    QCOMPARE(vsim_fail_claim(ControllerId, 1), VSIM_OK);
    handle = openController();
    QVERIFY(handle != nullptr);
    QCOMPARE(libusb_claim_interface(handle, 0), int(LIBUSB_ERROR_BUSY));
    Bytes frame = request(0x0024, {0x01, 0x00});
    int transferred = 0;
    QCOMPARE(libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0),
             int(LIBUSB_ERROR_BUSY));
    QCOMPARE(vsim_fail_claim(ControllerId, 0), VSIM_OK);
    QCOMPARE(libusb_claim_interface(handle, 0), 0);
    QCOMPARE(exchange(handle, 0x0024, {0x01, 0x00}), stateReplyAxis1());
    libusb_close(handle);

    // The same from the scenario.
    QCOMPARE(vsim_load_scenario(R"({"controllers": [{"faults": {"openFail": "once", "claimFail": true}}]})"), VSIM_OK);
    QVERIFY(openController() == nullptr);
    handle = openController();
    QVERIFY(handle != nullptr);
    QCOMPARE(libusb_claim_interface(handle, 0), int(LIBUSB_ERROR_BUSY));
    libusb_close(handle);
}

void SimUsbTest::replyFaultByteShapes()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    const Bytes reply = stateReplyAxis1();
    const Bytes payload{0x01, 0x00};
    auto arm = [](vsim_fault fault) { QCOMPARE(vsim_set_fault(ControllerId, fault, 0x0024, 1), VSIM_OK); };

    arm(VSIM_FAULT_GARBAGE_BEFORE);
    Bytes got = exchange(handle, 0x0024, payload);
    QVERIFY(got.size() > reply.size());
    const Bytes junk(got.begin(), got.end() - static_cast<long>(reply.size()));
    QVERIFY(std::count(junk.begin(), junk.end(), 0xAA) >= 1);
    QVERIFY(!(junk[0] == 0xAA && junk[1] == 0x55));
    QCOMPARE(Bytes(got.end() - static_cast<long>(reply.size()), got.end()), reply);

    arm(VSIM_FAULT_TWO_IN_ONE_READ);
    got = exchange(handle, 0x0024, payload);
    QCOMPARE(got.size(), 10 + 2 + reply.size());
    QCOMPARE(int(got[0]), 0xAA);
    QVERIFY(got[2] != 0x24); // an unrelated frame first, intact
    QCOMPARE(int(checksum(got.data(), 10)), (got[10] << 8) | got[11]);
    QCOMPARE(Bytes(got.begin() + 12, got.end()), reply);

    arm(VSIM_FAULT_GARBAGE_BETWEEN);
    got = exchange(handle, 0x0024, payload);
    QVERIFY(got.size() > 12 + reply.size());
    QCOMPARE(int(checksum(got.data(), 10)), (got[10] << 8) | got[11]);
    QCOMPARE(Bytes(got.end() - static_cast<long>(reply.size()), got.end()), reply);

    arm(VSIM_FAULT_SPLIT);
    Bytes frame = request(0x0024, payload);
    int transferred = 0;
    libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0);
    Bytes joined;
    int reads = 0;
    while (joined.size() < reply.size() && reads < 10) {
        const Bytes part = readAll(handle, 100);
        QVERIFY(!part.empty());
        QVERIFY(part.size() < reply.size());
        joined.insert(joined.end(), part.begin(), part.end());
        ++reads;
    }
    QCOMPARE(reads, 3);
    QCOMPARE(joined, reply);

    arm(VSIM_FAULT_LATE_REPLY);
    libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0);
    QVERIFY(readAll(handle, 150).empty());
    QCOMPARE(readAll(handle, 300), reply);

    arm(VSIM_FAULT_NO_REPLY);
    QVERIFY(exchange(handle, 0x0024, payload).empty());
    QCOMPARE(exchange(handle, 0x0024, payload), reply); // count 1 used up

    // Any code, until cleared.
    QCOMPARE(vsim_set_fault(ControllerId, VSIM_FAULT_STATUS, 0, -1), VSIM_OK);
    QCOMPARE(int(exchange(handle, 0x0024, payload)[4]), 1);
    QCOMPARE(int(exchange(handle, 0x0023, payload)[4]), 1);
    QCOMPARE(vsim_set_fault(ControllerId, VSIM_FAULT_NONE, 0, 0), VSIM_OK);
    QCOMPARE(exchange(handle, 0x0024, payload), reply);
    QCOMPARE(vsim_set_fault(ControllerId, static_cast<vsim_fault>(99), 0, 1), VSIM_ERR_ARGUMENT);

    // From the scenario.
    libusb_close(handle);
    QCOMPARE(vsim_load_scenario(R"({"controllers": [{"faults": {"replies": [{"kind": "otherAxis", "code": 36}]}}]})"),
             VSIM_OK);
    handle = openController();
    got = exchange(handle, 0x0024, payload);
    QCOMPARE(int(got[8]), 2);
    QCOMPARE(int(checksum(got.data(), got.size() - 2)), (got[got.size() - 2] << 8) | got.back());
    libusb_close(handle);
}

void SimUsbTest::pushedBytesAndWrittenFrames()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    const unsigned char hostile[] = {0xAA, 0x55, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF};
    QCOMPARE(vsim_push_in_bytes(ControllerId, hostile, sizeof hostile), VSIM_OK);
    QCOMPARE(readAll(handle), Bytes(hostile, hostile + sizeof hostile));
    // The IN queue is bounded: the oldest bytes go first.
    std::vector<unsigned char> big(1 << 20, 0x11);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(vsim_push_in_bytes(ControllerId, big.data(), int(big.size())), VSIM_OK);
    std::size_t total = 0;
    for (Bytes chunk = readAll(handle, 5); !chunk.empty(); chunk = readAll(handle, 5))
        total += chunk.size();
    QVERIFY(total <= 4u << 20);
    QVERIFY(total >= 3u << 20);

    QCOMPARE(vsim_clear_written(ControllerId), VSIM_OK);
    const Bytes frame = request(0x0009, {0x00, 0x00, 0, 0, 0, 0, 0, 0, 0x24, 0x40});
    exchange(handle, 0x0009, {0x00, 0x00, 0, 0, 0, 0, 0, 0, 0x24, 0x40});
    exchange(handle, 0x000A, {0x00, 0x00});
    QCOMPARE(vsim_written_count(ControllerId), 2);
    unsigned char buffer[64];
    QCOMPARE(vsim_written_frame(ControllerId, 0, buffer, sizeof buffer), int(frame.size()));
    QCOMPARE(Bytes(buffer, buffer + frame.size()), frame);
    QCOMPARE(vsim_written_frame(ControllerId, 0, buffer, 4), int(frame.size())); // cut, full length reported
    QCOMPARE(vsim_written_frame(ControllerId, 2, buffer, sizeof buffer), VSIM_ERR_ARGUMENT);
    QCOMPARE(vsim_written_count(77), VSIM_ERR_NO_CONTROLLER);
    libusb_close(handle);
}

void SimUsbTest::nullArgumentsAreRefused()
{
    QCOMPARE(vsim_push_in_bytes(ControllerId, nullptr, 3), VSIM_ERR_ARGUMENT);
    QCOMPARE(vsim_written_frame(ControllerId, 0, nullptr, 4), VSIM_ERR_ARGUMENT);
    QCOMPARE(vsim_set_latency_us(ControllerId, -1), VSIM_ERR_ARGUMENT);
    QCOMPARE(vsim_set_sensor_faults(ControllerId, 7, 1, 0, 0), VSIM_ERR_ARGUMENT);
    QCOMPARE(vsim_load_scenario("{\"controllers\": 5"), VSIM_ERR_BAD_SCENARIO);
    QCOMPARE(vsim_controller_count(), 1); // the built-in default took over
    QCOMPARE(libusb_get_device_list(nullptr, nullptr), ssize_t(LIBUSB_ERROR_INVALID_PARAM));
    QCOMPARE(libusb_open(nullptr, nullptr), int(LIBUSB_ERROR_INVALID_PARAM));
    int transferred = 0;
    QCOMPARE(libusb_bulk_transfer(nullptr, 0x81, nullptr, 0, &transferred, 1), int(LIBUSB_ERROR_INVALID_PARAM));
    QCOMPARE(QByteArray(libusb_error_name(LIBUSB_ERROR_TIMEOUT)), QByteArray("LIBUSB_ERROR_TIMEOUT"));
    QCOMPARE(QByteArray(libusb_error_name(LIBUSB_ERROR_PIPE)), QByteArray("LIBUSB_ERROR_PIPE"));
    libusb_close(nullptr);
    libusb_free_device_list(nullptr, 1);
}


void SimUsbTest::asyncInTransferEndsOnlyInEventHandling()
{
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    unsigned char buffer[64];
    Completion completion;
    libusb_transfer *transfer = libusb_alloc_transfer(0);
    QVERIFY(transfer != nullptr);
    libusb_fill_bulk_transfer(transfer, handle, 0x81, buffer, sizeof buffer, recordCompletion, &completion, 0);
    timeval wait{2, 0};
    auto submitAndHandle = [&] {
        completion = Completion();
        if (libusb_submit_transfer(transfer) != 0)
            return false;
        while (!completion.completed)
            libusb_handle_events_timeout_completed(nullptr, &wait, &completion.completed);
        return true;
    };

    // The reply is there, but only event handling completes the transfer.
    QCOMPARE(libusb_submit_transfer(transfer), 0);
    QCOMPARE(libusb_submit_transfer(transfer), int(LIBUSB_ERROR_BUSY));
    Bytes frame = request(0x0024, {0x01, 0x00});
    int transferred = 0;
    libusb_bulk_transfer(handle, 0x01, frame.data(), int(frame.size()), &transferred, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    QCOMPARE(completion.completed, 0);
    while (!completion.completed)
        libusb_handle_events_timeout_completed(nullptr, &wait, &completion.completed);
    QCOMPARE(completion.status, int(LIBUSB_TRANSFER_COMPLETED));
    QCOMPARE(completion.bytes, stateReplyAxis1());

    // Cancelled once; a second cancel finds nothing.
    completion = Completion();
    QCOMPARE(libusb_submit_transfer(transfer), 0);
    QCOMPARE(libusb_cancel_transfer(transfer), 0);
    QCOMPARE(libusb_cancel_transfer(transfer), int(LIBUSB_ERROR_NOT_FOUND));
    libusb_handle_events_timeout_completed(nullptr, &wait, &completion.completed);
    QCOMPARE(completion.status, int(LIBUSB_TRANSFER_CANCELLED));

    QCOMPARE(vsim_stall_in_once(ControllerId), VSIM_OK);
    QVERIFY(submitAndHandle());
    QCOMPARE(completion.status, int(LIBUSB_TRANSFER_STALL));
    QCOMPARE(libusb_clear_halt(handle, 0x81), 0);

    transfer->timeout = 20;
    const auto start = std::chrono::steady_clock::now();
    QVERIFY(submitAndHandle());
    QCOMPARE(completion.status, int(LIBUSB_TRANSFER_TIMED_OUT));
    QVERIFY(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(19));
    transfer->timeout = 0;

    // Unplugging wakes a thread asleep in event handling.
    std::thread unplug([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        vsim_set_plugged(ControllerId, 0);
    });
    QVERIFY(submitAndHandle());
    unplug.join();
    QCOMPARE(completion.status, int(LIBUSB_TRANSFER_NO_DEVICE));
    libusb_free_transfer(transfer);
    libusb_close(handle);
}

void SimUsbTest::eventHandlingSleepsUntilWoken()
{
    using namespace std::chrono;
    // Nothing to do: one sleep for the whole time-out, one return.
    const unsigned long long returnsBefore = vsim_event_handling_returns();
    timeval shortWait{0, 50000};
    auto start = steady_clock::now();
    QCOMPARE(libusb_handle_events_timeout(nullptr, &shortWait), 0);
    QVERIFY(steady_clock::now() - start >= milliseconds(49));
    QCOMPARE(vsim_event_handling_returns() - returnsBefore, 1ULL);

    // An interrupt ends a long wait.
    std::thread interrupter([] {
        std::this_thread::sleep_for(milliseconds(30));
        libusb_interrupt_event_handler(nullptr);
    });
    timeval longWait{10, 0};
    start = steady_clock::now();
    libusb_handle_events_timeout(nullptr, &longWait);
    interrupter.join();
    QVERIFY(steady_clock::now() - start < seconds(5));

    // A thread waiting while another handles events returns once the other
    // runs its transfer's callback.
    libusb_device_handle *handle = openController();
    QVERIFY(handle != nullptr);
    std::atomic<bool> stopHandling{false};
    std::thread handler([&] {
        timeval wait{1, 0};
        while (!stopHandling)
            libusb_handle_events_timeout(nullptr, &wait);
    });
    std::this_thread::sleep_for(milliseconds(20));
    unsigned char buffer[64];
    Completion completion;
    libusb_transfer *transfer = libusb_alloc_transfer(0);
    libusb_fill_bulk_transfer(transfer, handle, 0x81, buffer, sizeof buffer, recordCompletion, &completion, 0);
    QCOMPARE(libusb_submit_transfer(transfer), 0);
    const unsigned char pushed[] = {1, 2, 3};
    QCOMPARE(vsim_push_in_bytes(ControllerId, pushed, sizeof pushed), VSIM_OK);
    start = steady_clock::now();
    while (!completion.completed && steady_clock::now() - start < seconds(5))
        libusb_handle_events_timeout_completed(nullptr, &longWait, &completion.completed);
    stopHandling = true;
    libusb_interrupt_event_handler(nullptr);
    handler.join();
    QCOMPARE(completion.bytes, Bytes({1, 2, 3}));
    libusb_free_transfer(transfer);
    libusb_close(handle);
}

QTEST_APPLESS_MAIN(SimUsbTest)
#include "test_sim_usb.moc"
