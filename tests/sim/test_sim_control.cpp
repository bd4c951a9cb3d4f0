// The control socket of the virtual controller, spoken to the way another
// process would: line commands over VELMO_SIM_CONTROL, effects checked
// through raw libusb and the velmoSim API. Bad input goes through the
// command parser directly.
#include <libusb.h>

#include "ControlCommands.h"
#include "SimControl.h"
#include "velmoSim.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

constexpr int ControllerId = 14;

Bytes request(std::uint16_t code, std::uint16_t axis)
{
    Bytes frame{0x55, 0xAA, static_cast<unsigned char>(code & 0xFF), static_cast<unsigned char>(code >> 8), 2, 0,
                static_cast<unsigned char>(axis & 0xFF), static_cast<unsigned char>(axis >> 8)};
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < frame.size(); i += 2)
        sum ^= static_cast<std::uint16_t>((frame[i] << 8) | frame[i + 1]);
    frame.push_back(static_cast<unsigned char>(sum >> 8));
    frame.push_back(static_cast<unsigned char>(sum & 0xFF));
    return frame;
}

QByteArray hex(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())).toHex();
}

} // namespace

class SimControlTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void commandsReachTheControllers();
    void badInputIsRefused_data();
    void badInputIsRefused();
    void framingSurvivesJunkAndSeveralClients();
    void overlappingRequestsAreCounted();
    void vsimctlExitStatus();

private:
    Bytes readReply(unsigned timeoutMs = 500);
    void write(const Bytes &frame);

    QTemporaryDir m_dir;
    std::string m_path;
    libusb_device_handle *m_handle = nullptr;
};

void SimControlTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("vsim.sock")).toStdString();
    // A socket file left by a process that died: must be replaced, not refused.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
    QCOMPARE(::bind(stale, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ::close(stale);
    QVERIFY(SimControl(QString::fromStdString(m_path)).connectSocket() == false);

    qputenv("VELMO_SIM_CONTROL", QByteArray::fromStdString(m_path));
    QCOMPARE(libusb_init(nullptr), 0);
    QVERIFY(SimControl(QString::fromStdString(m_path)).connectSocket());
}

void SimControlTest::init()
{
    QCOMPARE(vsim_load_scenario("{}"), VSIM_OK);
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    for (ssize_t i = 0; i < count && m_handle == nullptr; ++i) {
        libusb_device_descriptor descriptor;
        libusb_get_device_descriptor(list[i], &descriptor);
        if (descriptor.idVendor == 0x4306)
            QCOMPARE(libusb_open(list[i], &m_handle), 0);
    }
    libusb_free_device_list(list, 1);
    QVERIFY(m_handle != nullptr);
    QCOMPARE(libusb_claim_interface(m_handle, 0), 0);
}

void SimControlTest::cleanup()
{
    libusb_close(m_handle);
    m_handle = nullptr;
}

void SimControlTest::write(const Bytes &frame)
{
    Bytes bytes = frame;
    int transferred = 0;
    QCOMPARE(libusb_bulk_transfer(m_handle, 0x01, bytes.data(), int(bytes.size()), &transferred, 0), 0);
}

Bytes SimControlTest::readReply(unsigned timeoutMs)
{
    unsigned char buffer[512];
    int transferred = 0;
    const int result = libusb_bulk_transfer(m_handle, 0x81, buffer, sizeof buffer, &transferred, timeoutMs);
    return result == 0 ? Bytes(buffer, buffer + transferred) : Bytes{static_cast<unsigned char>(-result)};
}

void SimControlTest::commandsReachTheControllers()
{
    SimControl client(QString::fromStdString(m_path));
    QCOMPARE(client.ask("open-handles 14"), QByteArray("ok 1"));

    QCOMPARE(client.ask("position 14 0 33.5"), QByteArray("ok"));
    write(request(0x0023, 0));
    Bytes reply = readReply();
    double position = 0;
    QCOMPARE(reply.size(), std::size_t(8 + 2 + 8 + 2));
    std::memcpy(&position, reply.data() + 10, sizeof position);
    QCOMPARE(position, 33.5);

    QCOMPARE(client.ask("sensor-faults 14 1 0 1 0"), QByteArray("ok"));
    write(request(0x0024, 1));
    reply = readReply();
    QCOMPARE(reply.size(), std::size_t(18));
    QCOMPARE((reply[10] | (reply[11] << 8)) & 0x1C0, 0x080); // home sensor fault only

    QCOMPARE(client.ask("fault 14 status 0x24 1"), QByteArray("ok"));
    write(request(0x0024, 0));
    QCOMPARE(readReply()[4], 0x01); // refused once ...
    write(request(0x0024, 0));
    QCOMPARE(readReply()[4], 0x00); // ... then answered again

    QCOMPARE(client.ask("latency 14 300000"), QByteArray("ok"));
    write(request(0x0024, 0));
    QCOMPARE(readReply(50), Bytes{static_cast<unsigned char>(-LIBUSB_ERROR_TIMEOUT)});
    QCOMPARE(readReply(2000).size(), std::size_t(18));
    QCOMPARE(client.ask("latency 14 0"), QByteArray("ok"));

    QCOMPARE(client.ask("stall 14"), QByteArray("ok"));
    QCOMPARE(readReply(), Bytes{static_cast<unsigned char>(-LIBUSB_ERROR_PIPE)});
    QCOMPARE(libusb_clear_halt(m_handle, 0x81), 0);

    const int written = vsim_written_count(ControllerId);
    QCOMPARE(client.ask("written-count 14"), "ok " + QByteArray::number(written));
    QCOMPARE(client.ask("written-frame 14 " + QByteArray::number(written - 1)), "ok " + hex(request(0x0024, 0)));
    QCOMPARE(client.ask("clear-written 14"), QByteArray("ok"));
    QCOMPARE(vsim_written_count(ControllerId), 0);

    QCOMPARE(client.ask("plug 14 0"), QByteArray("ok"));
    QCOMPARE(readReply(), Bytes{static_cast<unsigned char>(-LIBUSB_ERROR_NO_DEVICE)});
    QCOMPARE(client.ask("open-handles 14"), QByteArray("ok 1"));
    QCOMPARE(client.ask("plug 14 1"), QByteArray("ok"));

    QCOMPARE(client.ask(R"(scenario {"controllers": [{"portPath": [1, 4]}, {"portPath": [2]}]})"), QByteArray("ok"));
    QCOMPARE(vsim_controller_count(), 2);
    QCOMPARE(client.ask("controllers"), QByteArray("ok 2"));
    QCOMPARE(client.ask("scenario {\"latency\": \"slow\"}"), QByteArray("error bad scenario (details on the "
                                                                        "controller process's stderr; defaults used where it was wrong)"));
}

void SimControlTest::badInputIsRefused_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reply");
    QTest::newRow("empty") << "  " << "error empty command";
    QTest::newRow("unknown") << "unplug 14" << "error unknown command 'unplug'";
    QTest::newRow("missing argument") << "plug 14" << "error usage: plug <id> <0|1>";
    QTest::newRow("extra argument") << "stall 14 1" << "error usage: stall <id>";
    QTest::newRow("bare scenario") << "scenario " << "error usage: scenario <json text>";
    QTest::newRow("id not a number") << "stall one" << "error id is not a valid number: 'one'";
    QTest::newRow("id beyond int") << "stall 99999999999" << "error id is not a valid number: '99999999999'";
    QTest::newRow("hex id") << "stall 0x0e" << "error id is not a valid number: '0x0e'";
    QTest::newRow("unknown id") << "stall 15" << "error no controller with id 15";
    QTest::newRow("flag not 0/1") << "plug 14 2" << "error plugged must be 0 or 1, not '2'";
    QTest::newRow("sensor flag") << "sensor-faults 14 0 0 yes 0" << "error sensor faults must be 0 or 1, not 'yes'";
    QTest::newRow("missing axis") << "sensor-faults 14 3 0 0 0" << "error argument out of range";
    QTest::newRow("position text") << "position 14 0 1,5" << "error position is not a valid number: '1,5'";
    QTest::newRow("position infinite") << "position 14 0 inf" << "error position is not a valid number: 'inf'";
    QTest::newRow("fault kind") << "fault 14 slowReply" << "error unknown fault kind 'slowReply'";
    QTest::newRow("fault code") << "fault 14 split 0xzz" << "error code is not a valid number: '0xzz'";
    QTest::newRow("fault code range") << "fault 14 split 0x10000 1" << "error argument out of range";
    QTest::newRow("fault count") << "fault 14 split 0 -2" << "error argument out of range";
    QTest::newRow("negative latency") << "latency 14 -1" << "error argument out of range";
    QTest::newRow("no such frame") << "written-frame 14 0" << "error argument out of range";
    QTest::newRow("control bytes") << QString::fromLatin1("stall \x01\x7f") << "error id is not a valid number: '?" "?'";
}

void SimControlTest::badInputIsRefused()
{
    QFETCH(QString, line);
    QFETCH(QString, reply);
    QCOMPARE(QString::fromStdString(ControlCommands::execute(line.toStdString())), reply);
}

void SimControlTest::framingSurvivesJunkAndSeveralClients()
{
    SimControl first(QString::fromStdString(m_path));
    SimControl second(QString::fromStdString(m_path));
    // Half a command from one client does not hold up the other.
    QVERIFY(first.send("control"));
    QCOMPARE(second.ask("controllers"), QByteArray("ok 1"));
    QVERIFY(first.send("lers\r\nplug 14 1\n"));
    QCOMPARE(first.readLine(), QByteArray("ok 1"));
    QCOMPARE(first.readLine(), QByteArray("ok"));

    // An overlong line gets one error; the connection carries on.
    QVERIFY(second.send(QByteArray(200 * 1024, 'x') + "\ncontrollers\n"));
    QCOMPARE(second.readLine(), QByteArray("error line longer than 65536 bytes"));
    QCOMPARE(second.readLine(), QByteArray("ok 1"));
    // Exactly the limit is still a line.
    QCOMPARE(second.ask("scenario {}" + QByteArray(65536 - 11, ' ')), QByteArray("ok"));

    // Binary junk, then a client leaving mid-line.
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = i * 37 % 256 == '\n' ? 'x' : char(i * 37 % 256);
    QVERIFY(first.send(junk + "\n"));
    QVERIFY(first.readLine().startsWith("error "));
    {
        SimControl leaving(QString::fromStdString(m_path));
        QVERIFY(leaving.send("plug 14"));
    }
    QCOMPARE(first.ask("open-handles 14"), QByteArray("ok 0")); // the reload above dropped our handle
}

void SimControlTest::overlappingRequestsAreCounted()
{
    SimControl client(QString::fromStdString(m_path));
    const Bytes state = request(0x0024, 0);
    // Strict request and reply, with raw bytes pushed in between: nothing owed.
    for (int i = 0; i < 3; ++i) {
        write(state);
        QCOMPARE(readReply().size(), std::size_t(18));
    }
    const unsigned char stray[] = {0x01, 0x02};
    QCOMPARE(vsim_push_in_bytes(ControllerId, stray, 2), VSIM_OK);
    write(state);
    QTest::qWait(20);
    QCOMPARE(readReply().size(), std::size_t(2 + 18));
    QCOMPARE(client.ask("overlaps 14"), QByteArray("ok 0"));

    // Back to back: the first reply is still scheduled when the second request arrives.
    QCOMPARE(client.ask("latency 14 100000"), QByteArray("ok"));
    write(state);
    write(state);
    QCOMPARE(client.ask("overlaps 14"), QByteArray("ok 1"));
    QTest::qWait(150);
    QCOMPARE(readReply().size(), std::size_t(2 * 18));
    // Readable but not read yet counts too; a partly read reply is still owed.
    QCOMPARE(client.ask("latency 14 0"), QByteArray("ok"));
    write(state);
    QTest::qWait(20);
    unsigned char head[4];
    int transferred = 0;
    QCOMPARE(libusb_bulk_transfer(m_handle, 0x81, head, sizeof head, &transferred, 500), 0);
    write(state);
    QCOMPARE(vsim_overlapping_requests(ControllerId), 2);
    QTest::qWait(20);
    QCOMPARE(readReply().size(), std::size_t(14 + 18));

    QCOMPARE(client.ask("clear-written 14"), QByteArray("ok"));
    QCOMPARE(client.ask("overlaps 14"), QByteArray("ok 0"));
    QCOMPARE(client.ask("overlaps 15"), QByteArray("error no controller with id 15"));
}

void SimControlTest::vsimctlExitStatus()
{
    QProcess vsimctl;
    vsimctl.start(QStringLiteral(VSIMCTL_PATH), {QStringLiteral("--socket"), QString::fromStdString(m_path),
                                                 QStringLiteral("controllers")});
    QVERIFY(vsimctl.waitForFinished(10000));
    QCOMPARE(vsimctl.exitCode(), 0);
    QCOMPARE(vsimctl.readAllStandardOutput(), QByteArray("1\n"));

    // The socket from the environment; one command spread over several arguments.
    vsimctl.start(QStringLiteral(VSIMCTL_PATH), {QStringLiteral("plug"), QStringLiteral("41"), QStringLiteral("1")});
    QVERIFY(vsimctl.waitForFinished(10000));
    QCOMPARE(vsimctl.exitCode(), 1);
    QCOMPARE(vsimctl.readAllStandardError(), QByteArray("no controller with id 41\n"));
    QVERIFY(vsimctl.readAllStandardOutput().isEmpty());

    vsimctl.start(QStringLiteral(VSIMCTL_PATH), {QStringLiteral("--socket"), m_dir.filePath(QStringLiteral("none")),
                                                 QStringLiteral("controllers")});
    QVERIFY(vsimctl.waitForFinished(10000));
    QCOMPARE(vsimctl.exitCode(), 2);
    QVERIFY(vsimctl.readAllStandardError().contains("cannot connect"));
}

QTEST_GUILESS_MAIN(SimControlTest)
#include "test_sim_control.moc"
