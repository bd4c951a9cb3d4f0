// Long seeded run of every export family against the virtual controller
// while it misbehaves: lost, late, damaged, split, merged and refused
// replies, junk on the line, stalled endpoints, unplugging. Every result must
// be one the export documents, no call may hang, memory must stay bounded,
// and no read may report a value the controller no longer holds.
//
// Replay a run with its seed: tst_soak --seed N (or VELMO_SOAK_SEED=N); the
// number of exchanges comes from --exchanges N or VELMO_SOAK_EXCHANGES.
#include "CallWatchdog.h"
#include "HeldValues.h"
#include "velmoLibrary.h"
#include "velmoSim.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <QThread>
#include <QtTest>
#include <cstring>
#include <functional>
#include <random>

namespace {

constexpr int kId = 14;
constexpr int kAxes = 3;
// Axis whose motor parameter block the run writes; the per-axis text and
// unit setters, which share codes with the block, stay on the others.
constexpr int kBlockAxis = 2;
// A call that takes this long hangs: the reply wait is 200 ms, and no call
// waits for more than one lost reply.
constexpr int kHangMs = 2000;

quint64 g_seed = 0;
long g_exchangeTarget = 100000;

qint64 residentKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

template <typename T>
QByteArray bytesOf(const T &value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), int(sizeof value));
}

// Offset and size of each of the 23 block fields, in the controller's field
// order; optOrder travels as 4 bytes.
struct BlockField {
    int offset;
    int size;
};
const BlockField kBlockFields[23] = {
    {offsetof(MotorParams, modelName), 32},     {offsetof(MotorParams, serialNumber), 32},
    {offsetof(MotorParams, pulse), 4},          {offsetof(MotorParams, helicalPitch), 8},
    {offsetof(MotorParams, restoreSpeed), 8},   {offsetof(MotorParams, motorType), 2},
    {offsetof(MotorParams, pLimitPolarity), 2}, {offsetof(MotorParams, nLimitPolarity), 2},
    {offsetof(MotorParams, zeroPolarity), 2},   {offsetof(MotorParams, direction), 2},
    {offsetof(MotorParams, limitDirection), 2}, {offsetof(MotorParams, unitType), 2},
    {offsetof(MotorParams, optOrder), 4},       {offsetof(MotorParams, maxSpeed), 8},
    {offsetof(MotorParams, maxAcc), 8},         {offsetof(MotorParams, minPos), 8},
    {offsetof(MotorParams, maxPos), 8},         {offsetof(MotorParams, zoptWidth), 2},
    {offsetof(MotorParams, optNum), 2},         {offsetof(MotorParams, returnTrip), 2},
    {offsetof(MotorParams, motorPhase), 2},     {offsetof(MotorParams, modifyDate), 4},
    {offsetof(MotorParams, maxRockerSpeed), 8},
};

QByteArray blockField(const MotorParams &params, int field)
{
    return QByteArray(reinterpret_cast<const char *>(&params) + kBlockFields[field].offset, kBlockFields[field].size);
}

QString blockKey(int field)
{
    return QStringLiteral("block.%1").arg(field);
}

// The faults one call may meet.
enum class Fault {
    None,
    Refused,
    ChecksumWithoutMagic,
    GarbageBefore,
    GarbageBetween,
    Split,
    TwoInOneRead,
    OtherAxis,
    StalledIn,
    PushedJunk,
    NoReply,
    LateReply,
    WrongLength,
    BadChecksum,
    Unplugged,
    Reopened,
};

const char *faultName(Fault fault)
{
    switch (fault) {
    case Fault::None: return "none";
    case Fault::Refused: return "refused";
    case Fault::ChecksumWithoutMagic: return "checksum-without-magic";
    case Fault::GarbageBefore: return "garbage-before";
    case Fault::GarbageBetween: return "garbage-between";
    case Fault::Split: return "split";
    case Fault::TwoInOneRead: return "two-in-one-read";
    case Fault::OtherAxis: return "other-axis";
    case Fault::StalledIn: return "stalled-in";
    case Fault::PushedJunk: return "pushed-junk";
    case Fault::NoReply: return "no-reply";
    case Fault::LateReply: return "late-reply";
    case Fault::WrongLength: return "wrong-length";
    case Fault::BadChecksum: return "bad-checksum";
    case Fault::Unplugged: return "unplugged";
    case Fault::Reopened: return "reopened";
    }
    return "?";
}

vsim_fault simFault(Fault fault)
{
    switch (fault) {
    case Fault::Refused: return VSIM_FAULT_STATUS;
    case Fault::ChecksumWithoutMagic: return VSIM_FAULT_CHECKSUM_NO_MAGIC;
    case Fault::GarbageBefore: return VSIM_FAULT_GARBAGE_BEFORE;
    case Fault::GarbageBetween: return VSIM_FAULT_GARBAGE_BETWEEN;
    case Fault::Split: return VSIM_FAULT_SPLIT;
    case Fault::TwoInOneRead: return VSIM_FAULT_TWO_IN_ONE_READ;
    case Fault::OtherAxis: return VSIM_FAULT_OTHER_AXIS;
    case Fault::NoReply: return VSIM_FAULT_NO_REPLY;
    case Fault::LateReply: return VSIM_FAULT_LATE_REPLY;
    case Fault::WrongLength: return VSIM_FAULT_WRONG_LENGTH;
    case Fault::BadChecksum: return VSIM_FAULT_BAD_CHECKSUM;
    default: return VSIM_FAULT_NONE;
    }
}

// One kind of call: a name, how often it is picked, and what it does.
struct Operation {
    const char *name;
    int weight;
    std::function<void(int axis)> run;
};

class SoakRun
{
public:
    explicit SoakRun(quint64 seed) : m_random(seed), m_watchdog(kHangMs) {}

    long exchanges = 0;
    long faults = 0;
    long badResults = 0;
    long staleReads = 0;
    QMap<QString, long> staleByFault;
    QStringList reports;

    void run(long exchangeTarget);
    // With every fault cleared and the controller plugged, every export
    // family answers and reads back what was written.
    void checkRecovery();
    qint64 longestCallMs() const { return m_watchdog.longestMs(); }
    QList<qint64> residentByTenth;

private:
    // --- checks
    void bad(const char *name, const QString &what)
    {
        ++badResults;
        if (reports.size() < 40)
            reports << QStringLiteral("%1: %2 (after %3)").arg(QLatin1String(name), what, recentFaults());
    }
    void expectCode(const char *name, int result, std::initializer_list<int> allowed)
    {
        for (int code : allowed) {
            if (result == code)
                return;
        }
        bad(name, QStringLiteral("undocumented result %1").arg(result));
    }
    // A call on a closed id is never sent.
    void expectNotSentWhenClosed(const char *name, int result)
    {
        if (!m_open && result != -1)
            bad(name, QStringLiteral("result %1 on a closed id").arg(result));
    }
    void write(const char *name, const QString &key, const QByteArray &value, int result)
    {
        expectCode(name, result, {0, -1, -2});
        expectNotSentWhenClosed(name, result);
        m_held.written(key, value, result);
    }
    void readValue(const char *name, const QString &key, const QByteArray &value)
    {
        if (m_held.read(key, value))
            return;
        ++staleReads;
        ++staleByFault[recentFaults()];
        if (reports.size() < 40)
            reports << QStringLiteral("stale %1 %2: read %3, controller holds %4 (after %5)")
                           .arg(QLatin1String(name), key, QString::fromLatin1(value.toHex()),
                                heldText(key), recentFaults());
        m_held.read(key, value); // go on from what the controller reported
    }
    QString heldText(const QString &key) const
    {
        QStringList values;
        for (const QByteArray &value : m_held.possible(key))
            values << QString::fromLatin1(value.toHex());
        return values.join(QLatin1Char('|'));
    }
    // Getters of a number: -1 and -2 are failures, anything else a reading.
    template <typename T>
    void readNumber(const char *name, const QString &key, T value)
    {
        if (value == T(-1) || value == T(-2)) {
            expectNotSentWhenClosed(name, int(value));
            return;
        }
        if (!m_open)
            bad(name, QStringLiteral("a reading on a closed id"));
        readValue(name, key, bytesOf(value));
    }
    QString recentFaults() const
    {
        QStringList names;
        for (Fault fault : m_recentFaults) {
            if (fault != Fault::None)
                names << QLatin1String(faultName(fault));
        }
        return names.isEmpty() ? QStringLiteral("no fault") : names.join(QLatin1Char(','));
    }

    // --- calls
    template <typename F>
    auto call(const char *name, F &&function) -> decltype(function())
    {
        m_watchdog.begin(name);
        auto result = function();
        m_watchdog.end();
        exchanges += vsim_written_count(kId);
        vsim_clear_written(kId);
        return result;
    }
    void callVoid(const char *name, const std::function<void()> &function)
    {
        call(name, [&] {
            function();
            return 0;
        });
    }

    // --- values
    double nextReal(double low, double high)
    {
        return low + (high - low) * double(++m_serial % 9973) / 9973.0;
    }
    int nextInt(int low, int high) { return low + int(++m_serial % quint64(high - low + 1)); }
    QByteArray nextText(const char *prefix)
    {
        const QByteArray text = QByteArray(prefix) + QByteArray::number(++m_serial);
        return text + QByteArray(32 - text.size(), '\0');
    }

    // --- faults
    // Keeps the faults of the last three operations (none included) for the reports.
    void noteFault(Fault fault)
    {
        if (fault != Fault::None)
            ++faults;
        m_recentFaults.append(fault);
        while (m_recentFaults.size() > 3)
            m_recentFaults.removeFirst();
    }
    void armFault(Fault fault)
    {
        noteFault(fault);
        switch (fault) {
        case Fault::None:
        case Fault::Unplugged:
        case Fault::Reopened:
            break;
        case Fault::StalledIn:
            vsim_stall_in_once(kId);
            break;
        case Fault::PushedJunk:
            pushJunk();
            break;
        default:
            vsim_set_fault(kId, simFault(fault), 0, 1);
            break;
        }
    }
    Fault pickFault()
    {
        const int roll = int(m_random() % 10000);
        // Faults that cost a whole reply wait are kept rare.
        if (roll < 3)
            return Fault::NoReply;
        if (roll < 6)
            return Fault::LateReply;
        if (roll < 8)
            return Fault::WrongLength;
        if (roll < 10)
            return Fault::BadChecksum;
        if (roll < 3500) {
            static const Fault cheap[] = {Fault::Refused,      Fault::ChecksumWithoutMagic, Fault::GarbageBefore,
                                          Fault::GarbageBetween, Fault::Split,              Fault::TwoInOneRead,
                                          Fault::OtherAxis,    Fault::StalledIn,            Fault::PushedJunk};
            return cheap[m_random() % (sizeof cheap / sizeof cheap[0])];
        }
        return Fault::None;
    }
    // Junk on the line: stray magic bytes that start no frame, now and then a
    // header announcing a huge frame followed by enough filler to end it.
    void pushJunk()
    {
        QByteArray junk;
        if (m_random() % 20 == 0) {
            junk = QByteArray::fromHex("AA5523000000FFFF");
            junk.append(QByteArray(65535 + 2, char(0xAB)));
        } else {
            const int length = 1 + int(m_random() % 600);
            for (int i = 0; i < length; ++i) {
                const int byte = int(m_random() % 256);
                junk.append(char(byte == 0x55 ? 0xAA : byte));
            }
        }
        vsim_push_in_bytes(kId, reinterpret_cast<const unsigned char *>(junk.constData()), junk.size());
    }

    // --- episodes
    void unplugAndReplug();
    void closeAndReopen();
    // A read whose reply comes late, a write that changes the value, then a
    // read of the same value whose own reply is lost: the late reply of the
    // first read must not pass for the answer to the last.
    void lateReplyOvertaken();
    // The controller's name: same code as the model name, but this
    // controller's reply carries no data, so every call waits out the reply
    // time and reports -2; the name reaches the controller all the same.
    void writeDeviceName();

    QList<Operation> operations();
    void runOperation(const Operation &operation);
    void writeBlock(int axis);
    void readBlock(int axis);

    std::mt19937_64 m_random;
    CallWatchdog m_watchdog;
    HeldValues m_held;
    QList<Fault> m_recentFaults;
    quint64 m_serial = 0;
    bool m_open = false;
    bool m_plugged = true;
    QByteArray m_firmware;
    int m_rockerSpeed = -1;
};

// Numeric value pairs kept per axis: setter, getter and the value range.
struct NumberPair {
    const char *key;
    const char *setterName;
    const char *getterName;
    bool real;
    double low;
    double high;
    int (*setReal)(int, int, double);
    double (*getReal)(int, int);
    int (*setInt)(int, int, int);
    int (*getInt)(int, int);
};

const NumberPair kNumberPairs[] = {
    {"speed", "setSpeed", "getSpeed", true, 0.5, 9.5, setSpeed, getSpeed, nullptr, nullptr},
    {"acceleration", "setAcceleration", "getAcceleration", true, 5, 45, setAcceleration, getAcceleration, nullptr, nullptr},
    {"relativeDisp", "setRelativeDisp", "getRelativeDisp", true, -20, 20, setRelativeDisp, getRelativeDisp, nullptr, nullptr},
    {"jogStep", "setJogStep", "getJogStep", true, 0.1, 5, setJogStep, getJogStep, nullptr, nullptr},
    {"circleDisp", "setCircleDisp", "getCircleDisp", true, 0.5, 10, setCircleDisp, getCircleDisp, nullptr, nullptr},
    {"relativeDispEnable", "setRelativeDispEnable", "getRelativeDispEnable", false, 0, 1, nullptr, nullptr,
     setRelativeDispEnable, getRelativeDispEnable},
    {"jogDelay", "setJogDelay", "getJogDelay", false, 0, 900, nullptr, nullptr, setJogDelay, getJogDelay},
    {"jogCount", "setJogCount", "getJogCount", false, 1, 60, nullptr, nullptr, setJogCount, getJogCount},
    {"circleCount", "setCircleCount", "getCircleCount", false, 1, 60, nullptr, nullptr, setCircleCount, getCircleCount},
    {"circleDelay", "setCircleDelay", "getCircleDelay", false, 0, 900, nullptr, nullptr, setCircleDelay, getCircleDelay},
    {"triggerIn", "setTriggerInEnable", "getTriggerInEnable", false, 0, 999, nullptr, nullptr, setTriggerInEnable,
     getTriggerInEnable},
    {"triggerOut", "setTriggerOutEnable", "getTriggerOutEnable", false, 0, 999, nullptr, nullptr, setTriggerOutEnable,
     getTriggerOutEnable},
};

QString axisKey(const char *key, int axis)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(key)).arg(axis);
}

QList<Operation> SoakRun::operations()
{
    QList<Operation> ops;
    for (const NumberPair &pair : kNumberPairs) {
        const NumberPair *p = &pair;
        ops << Operation{p->setterName, 30, [this, p](int axis) {
                             if (p->real) {
                                 const double value = nextReal(p->low, p->high);
                                 write(p->setterName, axisKey(p->key, axis), bytesOf(value),
                                       call(p->setterName, [&] { return p->setReal(kId, axis, value); }));
                             } else {
                                 const int value = nextInt(int(p->low), int(p->high));
                                 write(p->setterName, axisKey(p->key, axis), bytesOf(value),
                                       call(p->setterName, [&] { return p->setInt(kId, axis, value); }));
                             }
                         }};
        ops << Operation{p->getterName, 30, [this, p](int axis) {
                             if (p->real)
                                 readNumber(p->getterName, axisKey(p->key, axis),
                                            call(p->getterName, [&] { return p->getReal(kId, axis); }));
                             else
                                 readNumber(p->getterName, axisKey(p->key, axis),
                                            call(p->getterName, [&] { return p->getInt(kId, axis); }));
                         }};
    }
    ops << Operation{"setTargetPos", 30, [this](int axis) {
                         const double value = nextReal(-30, 30);
                         write("setTargetPos", axisKey("targetPos", axis), bytesOf(value),
                               call("setTargetPos", [&] { return setTargetPos(kId, axis, value); }));
                     }};
    ops << Operation{"getTargetPos", 30, [this](int axis) {
                         char ok = 7;
                         const double value = call("getTargetPos", [&] { return getTargetPos(kId, axis, &ok); });
                         if (ok == 1 && value != -1.0 && value != -2.0)
                             readNumber("getTargetPos", axisKey("targetPos", axis), value);
                         else if (ok != 0 || (value != -1.0 && value != -2.0))
                             bad("getTargetPos", QStringLiteral("ok %1 with %2").arg(int(ok)).arg(value));
                         else
                             expectNotSentWhenClosed("getTargetPos", int(value));
                     }};
    ops << Operation{"setTriggerStep", 20, [this](int axis) {
                         const double value = nextReal(0.01, 3);
                         write("setTriggerStep", axisKey("triggerStep", axis), bytesOf(value),
                               call("setTriggerStep", [&] { return setTriggerStep(kId, axis, value); }));
                     }};
    ops << Operation{"getTriggerStep", 20, [this](int axis) {
                         int status = 0;
                         const double value = call("getTriggerStep", [&] { return getTriggerStep(kId, axis, &status); });
                         expectCode("getTriggerStep", status, {0, -1, -2});
                         if (status == 0)
                             readNumber("getTriggerStep", axisKey("triggerStep", axis), value);
                         else if (value != 0.0)
                             bad("getTriggerStep", QStringLiteral("%1 on failure").arg(value));
                     }};
    ops << Operation{"setMotorUnitType", 15, [this](int axis) {
                         axis %= kBlockAxis;
                         const int value = nextInt(0, 999);
                         write("setMotorUnitType", axisKey("unitType", axis), bytesOf(value),
                               call("setMotorUnitType", [&] { return setMotorUnitType(kId, axis, value); }));
                     }};
    ops << Operation{"getMotorUnitType", 15, [this](int axis) {
                         axis %= kBlockAxis;
                         readNumber("getMotorUnitType", axisKey("unitType", axis),
                                    call("getMotorUnitType", [&] { return getMotorUnitType(kId, axis); }));
                     }};
    ops << Operation{"setPosConpenEnable", 15, [this](int axis) {
                         const short value = short(nextInt(0, 1));
                         write("setPosConpenEnable", axisKey("compensationEnable", axis), bytesOf(value),
                               call("setPosConpenEnable", [&] { return setPosConpenEnable(kId, axis, value); }));
                     }};
    ops << Operation{"getPosConpenEnable", 15, [this](int axis) {
                         short value = 9;
                         const int result = call("getPosConpenEnable", [&] { return getPosConpenEnable(kId, axis, &value); });
                         expectCode("getPosConpenEnable", result, {0, -1, -2});
                         expectNotSentWhenClosed("getPosConpenEnable", result);
                         if (result == 0)
                             readValue("getPosConpenEnable", axisKey("compensationEnable", axis), bytesOf(value));
                     }};
    for (int positive = 0; positive < 2; ++positive) {
        const char *setter = positive ? "setPositivePosConpen" : "setNegativePosConpen";
        const char *getter = positive ? "getPositivePosConpen" : "getNegativePosConpen";
        const char *key = positive ? "positiveTable" : "negativeTable";
        ops << Operation{setter, 10, [this, positive, setter, key](int axis) {
                             PosConpenPoint points[10] = {};
                             const int count = nextInt(0, 10);
                             for (int i = 0; i < count; ++i)
                                 points[i] = {nextReal(-50, 50), nextReal(-50, 50)};
                             QByteArray value = bytesOf(count);
                             value.append(reinterpret_cast<const char *>(points), count * int(sizeof(PosConpenPoint)));
                             const int result = call(setter, [&] {
                                 return positive ? setPositivePosConpen(kId, axis, points, count)
                                                 : setNegativePosConpen(kId, axis, points, count);
                             });
                             write(setter, axisKey(key, axis), value, result);
                         }};
        ops << Operation{getter, 10, [this, positive, getter, key](int axis) {
                             PosConpenPoint points[10];
                             std::memset(points, 0, sizeof points);
                             int count = -7;
                             const int result = call(getter, [&] {
                                 return positive ? getPositivePosConpen(kId, axis, points, &count)
                                                 : getNegativePosConpen(kId, axis, points, &count);
                             });
                             expectCode(getter, result, {0, -1, -2});
                             expectNotSentWhenClosed(getter, result);
                             if (result != 0)
                                 return;
                             if (count < 0 || count > 10) {
                                 bad(getter, QStringLiteral("count %1").arg(count));
                                 return;
                             }
                             QByteArray value = bytesOf(count);
                             value.append(reinterpret_cast<const char *>(points), count * int(sizeof(PosConpenPoint)));
                             readValue(getter, axisKey(key, axis), value);
                         }};
    }
    // Texts of an axis and of the controller.
    struct TextPair {
        const char *key;
        const char *setterName;
        const char *getterName;
        bool perAxis;
    };
    static const TextPair texts[] = {
        {"motorSerial", "setMotorSerialNumber", "getMotorSerialNumber", true},
        {"motorModel", "setMotorModelName", "getMotorModelName", true},
        {"devModel", "setDevModelName", "getDevModelName", false},
        {"devSerial", "setDevSerialNumber", "getDevSerialNumber", false},
    };
    for (const TextPair &pair : texts) {
        const TextPair *t = &pair;
        ops << Operation{t->setterName, 10, [this, t](int axis) {
                             axis %= kBlockAxis;
                             const QByteArray text = nextText("SK-");
                             const int length = int(qstrlen(text.constData()));
                             const int result = call(t->setterName, [&] {
                                 if (std::strcmp(t->key, "motorSerial") == 0)
                                     return setMotorSerialNumber(kId, axis, text.constData(), length);
                                 if (std::strcmp(t->key, "motorModel") == 0)
                                     return setMotorModelName(kId, axis, text.constData(), length);
                                 if (std::strcmp(t->key, "devModel") == 0)
                                     return setDevModelName(kId, text.constData(), length);
                                 return setDevSerialNumber(kId, text.constData(), length);
                             });
                             write(t->setterName, t->perAxis ? axisKey(t->key, axis) : QLatin1String(t->key), text,
                                   result);
                         }};
        ops << Operation{t->getterName, 10, [this, t](int axis) {
                             axis %= kBlockAxis;
                             char buffer[32];
                             std::memset(buffer, '#', sizeof buffer);
                             const int result = call(t->getterName, [&] {
                                 if (std::strcmp(t->key, "motorSerial") == 0)
                                     return getMotorSerialNumber(kId, axis, buffer, 32);
                                 if (std::strcmp(t->key, "motorModel") == 0)
                                     return getMotorModelName(kId, axis, buffer, 32);
                                 if (std::strcmp(t->key, "devModel") == 0)
                                     return getDevModelName(kId, buffer, 32);
                                 return getDevSerialNumber(kId, buffer, 32);
                             });
                             expectCode(t->getterName, result, {0, -1, -2});
                             expectNotSentWhenClosed(t->getterName, result);
                             if (result == 0)
                                 readValue(t->getterName, t->perAxis ? axisKey(t->key, axis) : QLatin1String(t->key),
                                           QByteArray(buffer, 32));
                         }};
    }
    ops << Operation{"getDevSoftVersion", 5, [this](int) {
                         char buffer[40];
                         const int result = call("getDevSoftVersion", [&] { return getDevSoftVersion(kId, buffer, 40); });
                         expectCode("getDevSoftVersion", result, {0, -1, -2});
                         expectNotSentWhenClosed("getDevSoftVersion", result);
                         if (result == 0 && QByteArray(buffer, 32) != m_firmware)
                             bad("getDevSoftVersion", QString::fromLatin1(QByteArray(buffer, 32).toHex()));
                     }};
    ops << Operation{"setDevAxisCount", 5, [this](int) {
                         write("setDevAxisCount", QStringLiteral("axisCount"), bytesOf(kAxes),
                               call("setDevAxisCount", [&] { return setDevAxisCount(kId, kAxes); }));
                     }};
    ops << Operation{"getDevAxisCount", 10, [this](int) {
                         readNumber("getDevAxisCount", QStringLiteral("axisCount"),
                                    call("getDevAxisCount", [&] { return getDevAxisCount(kId); }));
                     }};
    ops << Operation{"setRockerEnable", 10, [this](int) {
                         const int value = nextInt(0, 1);
                         write("setRockerEnable", QStringLiteral("rocker"), bytesOf(value),
                               call("setRockerEnable", [&] { return setRockerEnable(kId, value); }));
                     }};
    ops << Operation{"getRockerEnable", 10, [this](int) {
                         readNumber("getRockerEnable", QStringLiteral("rocker"),
                                    call("getRockerEnable", [&] { return getRockerEnable(kId); }));
                     }};
    ops << Operation{"getRockerSpeed", 5, [this](int) {
                         const int value = call("getRockerSpeed", [&] { return getRockerSpeed(kId); });
                         if (value == -1 || value == -2)
                             expectNotSentWhenClosed("getRockerSpeed", value);
                         else if (value != m_rockerSpeed)
                             bad("getRockerSpeed", QString::number(value));
                     }};
    ops << Operation{"getRockerInfo", 10, [this](int) {
                         CONTROLER_STATE state;
                         std::memset(&state, 0xEE, sizeof state);
                         const int result = call("getRockerInfo", [&] { return getRockerInfo(kId, &state); });
                         expectCode("getRockerInfo", result, {0, -1, -2});
                         expectNotSentWhenClosed("getRockerInfo", result);
                         if (result != 0)
                             return;
                         if (state.rockerSpeed != m_rockerSpeed || state.reserved != 0xEE)
                             bad("getRockerInfo", QStringLiteral("speed %1").arg(state.rockerSpeed));
                         readValue("getRockerInfo", QStringLiteral("rocker"), bytesOf(int(state.rockerEnabled)));
                     }};
    // Motion: codes only; the controller may refuse while a motion runs.
    using AxisCommand = int (*)(int, int);
    using DirectionCommand = int (*)(int, int, int);
    static const struct {
        const char *name;
        AxisCommand command;
    } axisCommands[] = {{"startMove", startMove}, {"stopRuning", stopRuning}, {"home", home}};
    for (const auto &entry : axisCommands) {
        const char *name = entry.name;
        const AxisCommand command = entry.command;
        ops << Operation{name, 10, [this, name, command](int axis) {
                             const int result = call(name, [&] { return command(kId, axis); });
                             expectCode(name, result, {0, -1, -2});
                             expectNotSentWhenClosed(name, result);
                         }};
    }
    static const struct {
        const char *name;
        DirectionCommand command;
    } directionCommands[] = {{"startJog", startJog}, {"startDrive", startDrive}, {"startCircle", startCircle},
                             {"setMotorEnable", setMotorEnable}};
    for (const auto &entry : directionCommands) {
        const char *name = entry.name;
        const DirectionCommand command = entry.command;
        const bool enable = command == setMotorEnable;
        ops << Operation{name, enable ? 5 : 6, [this, name, command, enable](int axis) {
                             const int argument = enable ? (m_random() % 8 == 0 ? 0 : 1) : 1 + int(m_random() % 2);
                             const int result = call(name, [&] { return command(kId, axis, argument); });
                             expectCode(name, result, {0, -1, -2});
                             expectNotSentWhenClosed(name, result);
                         }};
    }
    ops << Operation{"getCurrentPos", 40, [this](int axis) {
                         int status = 7;
                         const double value = call("getCurrentPos", [&] { return getCurrentPos(kId, axis, &status); });
                         expectCode("getCurrentPos", status, {0, -1, -2});
                         expectNotSentWhenClosed("getCurrentPos", status);
                         if (status != 0 && value != 0.0)
                             bad("getCurrentPos", QStringLiteral("%1 on failure").arg(value));
                     }};
    ops << Operation{"getRuningState", 40, [this](int axis) {
                         MotorStageState state;
                         std::memset(&state, 0x77, sizeof state);
                         const int result = call("getRuningState", [&] { return getRuningState(kId, axis, &state); });
                         expectCode("getRuningState", result, {0, -1, -2});
                         expectNotSentWhenClosed("getRuningState", result);
                         if (result == 0 && (state.isStop > 1 || state.isEnable > 1 || state.isCanRun > 1
                                             || state.currentJog < 0))
                             bad("getRuningState", QStringLiteral("flags out of range"));
                         if (result != 0 && state.isStop != 0x7777)
                             bad("getRuningState", QStringLiteral("record written on failure"));
                     }};
    ops << Operation{"getJogIndex", 10, [this](int axis) {
                         const int value = call("getJogIndex", [&] { return getJogIndex(kId, axis); });
                         if (value == -1 || value == -2)
                             expectNotSentWhenClosed("getJogIndex", value);
                         else if (value < 0)
                             bad("getJogIndex", QString::number(value));
                     }};
    ops << Operation{"getCircleIndex", 10, [this](int axis) {
                         const int value = call("getCircleIndex", [&] { return getCircleIndex(kId, axis); });
                         if (value == -1 || value == -2)
                             expectNotSentWhenClosed("getCircleIndex", value);
                         else if (value < 0)
                             bad("getCircleIndex", QString::number(value));
                     }};
    // The motor block and the ID chip of one axis.
    ops << Operation{"setMotorParams", 2, [this](int) { writeBlock(kBlockAxis); }};
    ops << Operation{"getMotorParams", 2, [this](int) { readBlock(kBlockAxis); }};
    ops << Operation{"getMotorAutoDetect", 5, [this](int) {
                         char detected = 9;
                         const int result =
                             call("getMotorAutoDetect", [&] { return getMotorAutoDetect(kId, kBlockAxis, &detected); });
                         expectCode("getMotorAutoDetect", result, {0, -1, -2});
                         expectNotSentWhenClosed("getMotorAutoDetect", result);
                         if (result == 0)
                             readValue("getMotorAutoDetect", QStringLiteral("detect"), bytesOf(detected));
                     }};
    ops << Operation{"setClearIDChip", 1, [this](int) {
                         const int result = call("setClearIDChip", [&] { return setClearIDChip(kId, kBlockAxis); });
                         write("setClearIDChip", QStringLiteral("detect"), bytesOf(char(0)), result);
                         if (result != -1) {
                             // Erasing empties the block; what it holds now is read next.
                             for (int field = 0; field < 23; ++field)
                                 m_held.forget(blockKey(field));
                         }
                     }};
    // Registry calls that do not change the open state.
    ops << Operation{"listKXMotorControlerDevices", 3, [this](int) {
                         int ids[8] = {};
                         const int found = call("listKXMotorControlerDevices",
                                                [&] { return listKXMotorControlerDevices(ids, 8); });
                         if (found != (m_plugged ? 1 : 0) || (found == 1 && ids[0] != kId))
                             bad("listKXMotorControlerDevices", QStringLiteral("found %1").arg(found));
                     }};
    return ops;
}

void SoakRun::writeBlock(int axis)
{
    MotorParams params;
    std::memset(&params, 0, sizeof params);
    const QByteArray name = nextText("BLK-");
    std::memcpy(params.modelName, name.constData(), 32);
    const QByteArray serial = nextText("BSN-");
    std::memcpy(params.serialNumber, serial.constData(), 32);
    params.pulse = quint32(nextInt(200, 60000));
    params.helicalPitch = nextReal(0.5, 5);
    params.restoreSpeed = nextReal(0.5, 5);
    params.motorType = short(nextInt(0, 3));
    params.pLimitPolarity = short(nextInt(0, 1));
    params.nLimitPolarity = short(nextInt(0, 1));
    params.zeroPolarity = short(nextInt(0, 1));
    params.direction = short(nextInt(0, 1));
    params.limitDirection = short(nextInt(0, 1));
    params.unitType = short(nextInt(0, 1));
    std::memcpy(params.optOrder, "ABCD", 4);
    params.optOrder[3] = char('A' + nextInt(0, 25));
    params.maxSpeed = nextReal(10, 20);
    params.maxAcc = nextReal(50, 90);
    params.minPos = nextReal(-100, -50);
    params.maxPos = nextReal(50, 100);
    params.zoptWidth = short(nextInt(0, 100));
    params.optNum = short(nextInt(0, 4));
    params.returnTrip = short(nextInt(0, 100));
    params.motorPhase = short(nextInt(2, 5));
    params.modifyDate = quint32(nextInt(20200101, 20991231));
    params.maxRockerSpeed = nextReal(1, 20);

    const int result = call("setMotorParams", [&] { return setMotorParams(kId, axis, params); });
    if (!(result == 0 || result == -60 || result == -61 || (result <= -1 && result >= -46)))
        bad("setMotorParams", QStringLiteral("undocumented result %1").arg(result));
    expectNotSentWhenClosed("setMotorParams", result);
    // Fields before the failing one were acknowledged; the failing one may
    // have reached the controller when only its reply was missing.
    const int failing = result == 0 || result <= -60 ? 23 : (-result - 1) / 2;
    const bool failingMaybe = result < 0 && result > -60 && (-result) % 2 == 0;
    for (int field = 0; field < 23; ++field) {
        if (field < failing)
            m_held.written(blockKey(field), blockField(params, field), 0);
        else if (field == failing && failingMaybe)
            m_held.written(blockKey(field), blockField(params, field), -2);
    }
    if (result == 0)
        m_held.written(QStringLiteral("detect"), bytesOf(char(2)), 0);
    else if (result == -61)
        m_held.written(QStringLiteral("detect"), bytesOf(char(2)), -2);
}

void SoakRun::readBlock(int axis)
{
    MotorParams params;
    std::memset(&params, 0x5C, sizeof params);
    const int result = call("getMotorParams", [&] { return getMotorParams(kId, axis, &params); });
    if (!(result == 0 || (result <= -1 && result >= -46)))
        bad("getMotorParams", QStringLiteral("undocumented result %1").arg(result));
    expectNotSentWhenClosed("getMotorParams", result);
    const int filled = result == 0 ? 23 : (-result - 1) / 2;
    for (int field = 0; field < filled; ++field)
        readValue("getMotorParams", blockKey(field), blockField(params, field));
}

void SoakRun::runOperation(const Operation &operation)
{
    operation.run(int(m_random() % kAxes));
}

void SoakRun::unplugAndReplug()
{
    vsim_set_fault(kId, VSIM_FAULT_NONE, 0, 0);
    vsim_set_plugged(kId, 0);
    m_plugged = false;
    armFault(Fault::Unplugged);
    // While it is away every call fails without reaching it.
    const QList<Operation> ops = operations();
    for (int i = 0; i < 5; ++i)
        runOperation(ops.at(int(m_random() % quint64(ops.size()))));
    vsim_set_plugged(kId, 1);
    m_plugged = true;
    closeAndReopen();
}

void SoakRun::closeAndReopen()
{
    armFault(Fault::Reopened);
    const int closed = call("closeKXDevice", [] { return closeKXDevice(kId); });
    expectCode("closeKXDevice", closed, {0, -1});
    m_open = false;
    // A closed id sends nothing.
    const QList<Operation> ops = operations();
    runOperation(ops.at(int(m_random() % quint64(ops.size()))));
    if (m_random() % 2 == 0) {
        expectCode("removeDev", call("removeDev", [] { return removeDev(kId); }), {0, 1});
        expectCode("addDev", call("addDev", [] { return addDev(kId); }), {0});
    }
    const int opened = call("openKXDevice", [] { return openKXDevice(kId); });
    expectCode("openKXDevice", opened, {0, -1, -2});
    if (opened != 0)
        bad("openKXDevice", QStringLiteral("a plugged controller did not open (%1)").arg(opened));
    m_open = opened == 0;
}

void SoakRun::lateReplyOvertaken()
{
    const NumberPair &pair = kNumberPairs[m_random() % (sizeof kNumberPairs / sizeof kNumberPairs[0])];
    const int axis = int(m_random() % kAxes);
    const QString key = axisKey(pair.key, axis);
    vsim_set_fault(kId, VSIM_FAULT_NONE, 0, 0);
    armFault(Fault::LateReply);
    if (pair.real) {
        readNumber(pair.getterName, key, call(pair.getterName, [&] { return pair.getReal(kId, axis); }));
        const double value = nextReal(pair.low, pair.high);
        write(pair.setterName, key, bytesOf(value), call(pair.setterName, [&] { return pair.setReal(kId, axis, value); }));
        armFault(Fault::NoReply);
        readNumber(pair.getterName, key, call(pair.getterName, [&] { return pair.getReal(kId, axis); }));
    } else {
        readNumber(pair.getterName, key, call(pair.getterName, [&] { return pair.getInt(kId, axis); }));
        // A value other than the one the late reply carries.
        int value = nextInt(int(pair.low), int(pair.high));
        if (m_held.possible(key).contains(bytesOf(value)))
            value = value == int(pair.low) ? int(pair.high) : int(pair.low);
        write(pair.setterName, key, bytesOf(value), call(pair.setterName, [&] { return pair.setInt(kId, axis, value); }));
        armFault(Fault::NoReply);
        readNumber(pair.getterName, key, call(pair.getterName, [&] { return pair.getInt(kId, axis); }));
    }
    QThread::msleep(60); // the late reply is gone before the run goes on
}

void SoakRun::writeDeviceName()
{
    const QByteArray text = nextText("DN-");
    write("setDeviceName", QStringLiteral("devModel"), text, call("setDeviceName", [&] {
              return setDeviceName(kId, text.constData(), int(qstrlen(text.constData())));
          }));
}

void SoakRun::run(long exchangeTarget)
{
    QVERIFY(vsim_load_scenario(nullptr) == VSIM_OK);
    QCOMPARE(vsim_set_latency_us(kId, 50), VSIM_OK);
    QCOMPARE(addDev(kId), 0);
    QCOMPARE(openKXDevice(kId), 0);
    m_open = true;
    char firmware[32];
    QCOMPARE(getDevSoftVersion(kId, firmware, 32), 0);
    m_firmware = QByteArray(firmware, 32);
    m_rockerSpeed = getRockerSpeed(kId);
    QVERIFY(m_rockerSpeed >= 0);
    vsim_clear_written(kId);

    const QList<Operation> ops = operations();
    int totalWeight = 0;
    for (const Operation &op : ops)
        totalWeight += op.weight;

    int tenth = 0;
    while (exchanges < exchangeTarget) {
        const int roll = int(m_random() % 10000);
        if (roll < 4) {
            unplugAndReplug();
        } else if (roll < 8) {
            closeAndReopen();
        } else if (roll < 11) {
            lateReplyOvertaken();
        } else if (roll < 12) {
            writeDeviceName();
        } else {
            armFault(pickFault());
            int pick = int(m_random() % quint64(totalWeight));
            for (const Operation &op : ops) {
                pick -= op.weight;
                if (pick < 0) {
                    runOperation(op);
                    break;
                }
            }
            // A fault the call did not use up must not leak into the next.
            vsim_set_fault(kId, VSIM_FAULT_NONE, 0, 0);
        }
        while (tenth < 10 && exchanges >= exchangeTarget * (tenth + 1) / 10) {
            residentByTenth << residentKiB("VmRSS:");
            ++tenth;
        }
    }
}

void SoakRun::checkRecovery()
{
    vsim_set_fault(kId, VSIM_FAULT_NONE, 0, 0);
    m_recentFaults.clear();
    QTest::qWait(300); // anything late has landed and is stale now
    const long badBefore = badResults;
    const long staleBefore = staleReads;
    QCOMPARE(stopRuning(kId, 0), 0);
    // Every value family, written and read back with nothing in the way.
    const QList<Operation> ops = operations();
    for (const Operation &op : ops) {
        for (int axis = 0; axis < kAxes; ++axis)
            op.run(axis);
    }
    for (const NumberPair &pair : kNumberPairs) {
        for (int axis = 0; axis < kAxes; ++axis) {
            const QString key = axisKey(pair.key, axis);
            QCOMPARE(m_held.possible(key).size(), 1);
        }
    }
    // Every exchange export answers once more, checked by its result.
    char text[32];
    const int axis = 0;
    QCOMPARE(setMotorEnable(kId, axis, 1), 0);
    QCOMPARE(setRelativeDispEnable(kId, axis, 0), 0);
    QCOMPARE(setSpeed(kId, axis, 5.0), 0);
    QCOMPARE(setAcceleration(kId, axis, 40.0), 0);
    QCOMPARE(setTargetPos(kId, axis, 20.0), 0);
    QCOMPARE(stopRuning(kId, axis), 0);
    MotorStageState state;
    QTRY_VERIFY_WITH_TIMEOUT(getRuningState(kId, axis, &state) == 0 && state.isStop == 1, 10000);
    QCOMPARE(startMove(kId, axis), 0);
    QCOMPARE(stopRuning(kId, axis), 0);
    QTRY_VERIFY_WITH_TIMEOUT(getRuningState(kId, axis, &state) == 0 && state.isStop == 1, 10000);
    QCOMPARE(home(kId, axis), 0);
    QCOMPARE(stopRuning(kId, axis), 0);
    using DirectionCommand = int (*)(int, int, int);
    for (DirectionCommand command : {startJog, startDrive, startCircle}) {
        QTRY_VERIFY_WITH_TIMEOUT(getRuningState(kId, axis, &state) == 0 && state.isStop == 1, 10000);
        QCOMPARE(command(kId, axis, 1), 0);
        QCOMPARE(stopRuning(kId, axis), 0);
    }
    int status = -9;
    getCurrentPos(kId, axis, &status);
    QCOMPARE(status, 0);
    QVERIFY(getJogIndex(kId, axis) >= 0);
    QVERIFY(getCircleIndex(kId, axis) >= 0);
    QCOMPARE(getDevSoftVersion(kId, text, 32), 0);
    QCOMPARE(setDevModelName(kId, "VM-3A", 5), 0);
    QCOMPARE(getDevModelName(kId, text, 32), 0);
    QCOMPARE(QByteArray(text), QByteArray("VM-3A"));
    // This controller acknowledges its name without data: the host hears no
    // valid reply, yet the name reached it.
    QCOMPARE(setDeviceName(kId, "VM-3B", 5), -2);
    QCOMPARE(getDevModelName(kId, text, 32), 0);
    QCOMPARE(QByteArray(text), QByteArray("VM-3B"));
    QCOMPARE(setDevAxisCount(kId, kAxes), 0);
    QCOMPARE(getDevAxisCount(kId), kAxes);
    CONTROLER_STATE rocker;
    QCOMPARE(getRockerInfo(kId, &rocker), 0);
    MotorParams params;
    QCOMPARE(getMotorParams(kId, 0, &params), 0);
    QCOMPARE(getMotorModelName(kId, 0, text, 32), 0);
    QCOMPARE(QByteArray(params.modelName, 32), QByteArray(text, 32));
    QCOMPARE(setMotorParams(kId, kBlockAxis, params), 0);
    char detected = 0;
    QCOMPARE(getMotorAutoDetect(kId, kBlockAxis, &detected), 0);
    QCOMPARE(int(detected), 2);
    QCOMPARE(setClearIDChip(kId, kBlockAxis), 0);
    QCOMPARE(getMotorAutoDetect(kId, kBlockAxis, &detected), 0);
    QCOMPARE(int(detected), 0);
    int ids[4];
    QCOMPARE(listKXMotorControlerDevices(ids, 4), 1);
    QCOMPARE(closeKXDevice(kId), 0);
    QCOMPARE(removeDev(kId), 1);
    QCOMPARE(addDev(kId), 0);
    QCOMPARE(openKXDevice(kId), 0);
    QCOMPARE(getDevAxisCount(kId), kAxes);
    QCOMPARE(removeDev(kId), 1);
    QCOMPARE(badResults - badBefore, 0L);
    QCOMPARE(staleReads - staleBefore, 0L);
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void everyExportSurvivesAFaultyController()
    {
        std::printf("soak: seed=%llu exchanges=%ld (replay: --seed %llu)\n", (unsigned long long)g_seed,
                    g_exchangeTarget, (unsigned long long)g_seed);
        std::fflush(stdout);
        QElapsedTimer clock;
        clock.start();
        SoakRun run(g_seed);
        run.run(g_exchangeTarget);
        if (QTest::currentTestFailed())
            return;
        run.checkRecovery();
        const qint64 peakKiB = residentKiB("VmHWM:");
        for (const QString &report : run.reports)
            std::printf("soak: %s\n", qPrintable(report));
        for (auto it = run.staleByFault.cbegin(); it != run.staleByFault.cend(); ++it)
            std::printf("soak: stale after [%s]: %ld\n", qPrintable(it.key()), it.value());
        QStringList tenths;
        for (qint64 kib : run.residentByTenth)
            tenths << QString::number(kib);
        std::printf("soak: rss by tenth (KiB): %s; longest call %lld ms; %.1f s\n", qPrintable(tenths.join(QLatin1Char(' '))),
                    run.longestCallMs(), clock.elapsed() / 1000.0);
        std::printf("soak: exchanges=%ld faults=%ld bad-results=%ld stale=%ld peak-rss=%lldKiB\n", run.exchanges,
                    run.faults, run.badResults, run.staleReads, peakKiB);
        std::fflush(stdout);
        QCOMPARE(run.badResults, 0L);
        QCOMPARE(run.staleReads, 0L);
#if !defined(__SANITIZE_ADDRESS__)
        // Memory settles early: the last tenth holds no more than the first
        // plus what allocator noise explains. (ASan's quarantine grows by
        // design; LeakSanitizer checks that build instead.)
        QVERIFY(run.residentByTenth.size() == 10);
        const qint64 growth = run.residentByTenth.last() - run.residentByTenth.first();
        QVERIFY2(growth < 4096, qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(growth)));
#endif
    }
};

int main(int argc, char *argv[])
{
    g_seed = std::random_device{}();
    if (qEnvironmentVariableIsSet("VELMO_SOAK_SEED"))
        g_seed = qgetenv("VELMO_SOAK_SEED").toULongLong();
    if (qEnvironmentVariableIsSet("VELMO_SOAK_EXCHANGES"))
        g_exchangeTarget = qgetenv("VELMO_SOAK_EXCHANGES").toLong();
    // Our own options go before QtTest's.
    QVector<char *> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            g_seed = QByteArray(argv[++i]).toULongLong();
        else if (std::strcmp(argv[i], "--exchanges") == 0 && i + 1 < argc)
            g_exchangeTarget = QByteArray(argv[++i]).toLong();
        else
            rest << argv[i];
    }
    SoakTest test;
    return QTest::qExec(&test, rest.size(), rest.data());
}

#include "tst_soak.moc"
