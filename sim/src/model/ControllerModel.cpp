#include "ControllerModel.h"

#include "RefusalStatus.h"

#include <QJsonArray>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {

constexpr std::size_t TextSize = 32;

Bytes textField(const QByteArray &text)
{
    Bytes field(TextSize, 0);
    const std::size_t length = std::min<std::size_t>(TextSize, static_cast<std::size_t>(text.size()));
    std::copy(text.constBegin(), text.constBegin() + length, field.begin());
    return field;
}

QByteArray fieldText(const std::uint8_t *bytes)
{
    std::size_t length = TextSize;
    while (length > 0 && bytes[length - 1] == 0)
        --length;
    return QByteArray(reinterpret_cast<const char *>(bytes), static_cast<int>(length));
}

Bytes axisEcho(std::uint16_t axis)
{
    Bytes data;
    FrameCodec::putU16(data, axis);
    return data;
}

} // namespace

ControllerModel::ControllerModel(const ControllerConfig &config, SteadyTime epoch, double timeScale, double latencyMs)
    : m_config(config)
    , m_modelName(config.modelName)
    , m_serialNumber(config.serialNumber)
    , m_joystickEnable(config.joystickEnabled ? 1 : 0)
    , m_epoch(epoch)
    , m_timeScale(timeScale > 0.0 ? timeScale : 1.0)
    , m_latency(static_cast<long long>(std::llround((config.latencyMs >= 0.0 ? config.latencyMs : latencyMs) * 1000.0)))
{
    for (const AxisConfig &axisConfig : config.axes) {
        AxisModel axis;
        axis.parameters() = axisConfig.parameters;
        axis.setAutoDetect(axisConfig.chip ? 2 : 0);
        axis.setPosition(axisConfig.position);
        axis.setEnabled(0.0, axisConfig.enabled);
        axis.setHomed(axisConfig.homed);
        axis.setSensorFaults(axisConfig.negativeLimitFault, axisConfig.homeFault, axisConfig.positiveLimitFault);
        m_axes.push_back(axis);
    }
    m_usb.plugged = config.plugged;
    m_usb.openFailsLeft = config.openFail;
    m_usb.claimFail = config.claimFail;
    m_usb.inHalted = config.stallOnce;
    m_usb.kernelDriverActive = config.kernelDriverActive;
    m_usb.extraEndpoints = config.extraEndpoints;
    for (const ArmedFault &fault : config.replyFaults)
        m_faults.arm(fault.kind, fault.code, fault.count);
}

int ControllerModel::deviceId() const
{
    QString digits;
    for (int port : m_config.portPath)
        digits += QString::number(port);
    bool ok = false;
    const int id = digits.toInt(&ok);
    return ok ? id : 0;
}

QString ControllerModel::portPathText() const
{
    QStringList parts;
    for (int port : m_config.portPath)
        parts << QString::number(port);
    return QString::number(m_config.bus) + QLatin1Char(':') + parts.join(QLatin1Char('-'));
}

double ControllerModel::modelTime(SteadyTime now) const
{
    return std::chrono::duration<double>(now - m_epoch).count() * m_timeScale;
}

bool ControllerModel::receive(const std::uint8_t *bytes, std::size_t length, SteadyTime now)
{
    m_written.emplace_back(bytes, bytes + length);
    while (m_written.size() > WrittenFrameLimit)
        m_written.pop_front();

    // Anything that is not one intact frame is dropped without an answer.
    const std::optional<RequestFrame> request = FrameCodec::parseRequest(bytes, length);
    if (!request)
        return false;
    if (m_in.holdsReply() && m_overlappingRequests < std::numeric_limits<int>::max())
        ++m_overlappingRequests;
    m_lastChanged = false;
    Reply reply = execute(*request, modelTime(now));
    if (!reply.silent) {
        for (InStream::Chunk &chunk :
             m_faults.shape(request->code, reply.status, std::move(reply.data), reply.axisLevel, now + m_latency)) {
            chunk.reply = true;
            m_in.push(std::move(chunk));
        }
    }
    return m_lastChanged;
}

void ControllerModel::clearWritten()
{
    m_written.clear();
    m_overlappingRequests = 0;
}

bool ControllerModel::isControllerCode(std::uint16_t code)
{
    switch (code) {
    case 0x0027: case 0x0028: case 0x1023: case 0x1038:
    case 0x1001: case 0x1002: case 0x1003: case 0x1004:
    case 0x1005: case 0x1006: case 0x101F:
        return true;
    default:
        return false;
    }
}

int ControllerModel::expectedReplyLength(std::uint16_t code) const
{
    if (const ParamInfo *param = ParameterCatalogue::byReadCode(code))
        return 2 + static_cast<int>(param->size);
    if (ParameterCatalogue::byWriteCode(code))
        return 2;
    switch (code) {
    case 0x0001: case 0x0002: case 0x0003: case 0x0004: case 0x0005: case 0x0006:
    case 0x0025: case 0x2000:
        return 2;
    case 0x0017: case 0x001C:
        return 6;
    case 0x0023:
        return 10;
    case 0x0024:
        return 8;
    case 0x1022:
        return 4;
    case 0x0028: case 0x1023: case 0x1038: case 0x1006:
        return 2;
    case 0x1002: case 0x1004: case 0x101F:
        return static_cast<int>(TextSize);
    case 0x1001:
        return m_config.deviceNameReplyBytes;
    default:
        return 0; // 0x0027, 0x1003, 0x1005, 0x1043 and unknown codes
    }
}

ControllerModel::Reply ControllerModel::refusal(const RequestFrame &request, std::uint16_t status) const
{
    // A refusal keeps the usual reply size so the host takes it at once.
    Reply reply;
    reply.status = status;
    reply.axisLevel = !isControllerCode(request.code);
    reply.data.assign(static_cast<std::size_t>(expectedReplyLength(request.code)), 0);
    if (reply.axisLevel && reply.data.size() >= 2 && request.payload.size() >= 2) {
        reply.data[0] = request.payload[0];
        reply.data[1] = request.payload[1];
    }
    return reply;
}

ControllerModel::Reply ControllerModel::execute(const RequestFrame &request, double modelNow)
{
    bool changed = false;
    Reply reply = isControllerCode(request.code) ? executeController(request, &changed)
                                                 : executeAxis(request, modelNow, &changed);
    if (reply.status == RefusalStatus::Accepted && changed)
        m_lastChanged = true;
    return reply;
}

ControllerModel::Reply ControllerModel::executeAxis(const RequestFrame &request, double now, bool *changed)
{
    const std::uint16_t code = request.code;
    const Bytes &payload = request.payload;
    const ParamInfo *setter = ParameterCatalogue::byWriteCode(code);
    const ParamInfo *getter = ParameterCatalogue::byReadCode(code);

    std::size_t expectedLength = 2;
    switch (code) {
    case 0x0001: case 0x0002: case 0x0003: case 0x0017: case 0x001C: case 0x0023: case 0x0024:
    case 0x1022: case 0x1043: case 0x2000:
        break;
    case 0x0004: case 0x0005: case 0x0006: case 0x0025:
        expectedLength = 4;
        break;
    default:
        if (setter)
            expectedLength = 2 + setter->size;
        else if (!getter)
            return refusal(request, RefusalStatus::UnknownCode);
        break;
    }
    if (payload.size() != expectedLength)
        return refusal(request, RefusalStatus::BadLength);
    const std::uint16_t axisNumber = FrameCodec::u16At(payload.data());
    if (axisNumber >= m_axes.size())
        return refusal(request, RefusalStatus::BadAxis);
    AxisModel &axis = m_axes[axisNumber];

    Reply reply;
    reply.axisLevel = true;
    reply.data = axisEcho(axisNumber);
    const int argument = payload.size() >= 4 ? FrameCodec::u16At(payload.data() + 2) : 0;

    if (setter) {
        axis.advance(now);
        axis.parameters().setRaw(setter->id, Bytes(payload.begin() + 2, payload.end()));
        *changed = true;
        return reply;
    }
    if (getter) {
        const Bytes &value = axis.parameters().raw(getter->id);
        reply.data.insert(reply.data.end(), value.begin(), value.end());
        return reply;
    }

    std::uint16_t status = RefusalStatus::Accepted;
    switch (code) {
    case 0x0001: status = axis.startMove(now); break;
    case 0x0002: axis.stop(now); break;
    case 0x0003: status = axis.startHome(now); break;
    case 0x0004: status = axis.startJog(now, argument); break;
    case 0x0005: status = axis.startDrive(now, argument); break;
    case 0x0006: status = axis.startCycle(now, argument); break;
    case 0x0025: axis.setEnabled(now, argument != 0); break;
    case 0x0017: FrameCodec::putU32(reply.data, static_cast<std::uint32_t>(axis.jogIndex(now))); break;
    case 0x001C: FrameCodec::putU32(reply.data, static_cast<std::uint32_t>(axis.cycleIndex(now))); break;
    case 0x0023: FrameCodec::putDouble(reply.data, axis.position(now)); break;
    case 0x0024:
        FrameCodec::putU16(reply.data, axis.statusWord(now));
        FrameCodec::putU32(reply.data, static_cast<std::uint32_t>(axis.jogIndex(now)));
        break;
    case 0x1022: FrameCodec::putU16(reply.data, axis.autoDetect()); break;
    case 0x2000:
        axis.programChip(); // closes the write sequence: the block goes into the stage's chip
        *changed = true;
        break;
    case 0x1043:
        axis.eraseChip();
        reply.data.clear();
        *changed = true;
        break;
    default:
        break;
    }
    if (status != RefusalStatus::Accepted)
        return refusal(request, status);
    return reply;
}

ControllerModel::Reply ControllerModel::executeController(const RequestFrame &request, bool *changed)
{
    const std::uint16_t code = request.code;
    const Bytes &payload = request.payload;
    std::size_t expectedLength = 0;
    switch (code) {
    case 0x0027: case 0x1002: case 0x1005: case 0x1006: case 0x101F:
        expectedLength = 2;
        break;
    case 0x1001: case 0x1003:
        expectedLength = TextSize;
        break;
    default:
        break;
    }
    if (payload.size() != expectedLength)
        return refusal(request, RefusalStatus::BadLength);

    Reply reply;
    switch (code) {
    case 0x0027:
        m_joystickEnable = FrameCodec::u16At(payload.data());
        *changed = true;
        break;
    case 0x0028:
        FrameCodec::putU16(reply.data, m_joystickEnable);
        break;
    case 0x1023: {
        // bit 0 joystick enabled, bit 1 joystick plugged in
        std::uint16_t word = m_config.joystickPresent ? 0x0002 : 0x0000;
        if (m_config.joystickPresent && (m_joystickEnable & 0xFF) == 1)
            word |= 0x0001;
        FrameCodec::putU16(reply.data, word);
        break;
    }
    case 0x1038:
        FrameCodec::putU16(reply.data, static_cast<std::uint16_t>(m_config.joystickSpeed));
        break;
    case 0x1001:
        // Model name and device name share this code; the firmware's answer
        // length decides which of the two host calls succeeds.
        m_modelName = fieldText(payload.data());
        reply.data.assign(static_cast<std::size_t>(m_config.deviceNameReplyBytes), 0);
        *changed = true;
        break;
    case 0x1002:
        reply.data = textField(m_modelName);
        break;
    case 0x1003:
        m_serialNumber = fieldText(payload.data());
        *changed = true;
        break;
    case 0x1004:
        reply.data = textField(m_serialNumber);
        break;
    case 0x1005: {
        const int count = FrameCodec::u16At(payload.data());
        if (count < 1 || count > MaxAxes)
            return refusal(request, RefusalStatus::BadValue);
        resizeAxes(count);
        *changed = true;
        break;
    }
    case 0x1006:
        FrameCodec::putU16(reply.data, static_cast<std::uint16_t>(m_axes.size()));
        break;
    case 0x101F:
        reply.data = textField(m_config.firmware);
        break;
    default:
        break;
    }
    return reply;
}

void ControllerModel::resizeAxes(int count)
{
    m_axes.resize(static_cast<std::size_t>(count));
}

void ControllerModel::unplug(SteadyTime now)
{
    m_usb.plugged = false;
    m_in.clear();
    m_usb.inHalted = false;
    const double modelNow = modelTime(now);
    for (AxisModel &axis : m_axes)
        axis.halt(modelNow);
}

void ControllerModel::replug()
{
    m_usb.plugged = true;
    ++m_usb.incarnation;
    m_in.clear();
}

QJsonObject ControllerModel::saveState() const
{
    QJsonArray axes;
    for (const AxisModel &axis : m_axes) {
        QJsonObject values;
        for (int i = 0; i < P_Count; ++i) {
            const ParamInfo &info = ParameterCatalogue::info(static_cast<ParamId>(i));
            values.insert(QLatin1String(info.name), axis.parameters().toJson(info.id));
        }
        axes.append(QJsonObject{{QStringLiteral("autoDetect"), axis.autoDetect()},
                                {QStringLiteral("values"), values}});
    }
    return QJsonObject{{QStringLiteral("modelName"), QString::fromLatin1(m_modelName)},
                       {QStringLiteral("serialNumber"), QString::fromLatin1(m_serialNumber)},
                       {QStringLiteral("joystickEnable"), m_joystickEnable},
                       {QStringLiteral("axes"), axes}};
}

void ControllerModel::restoreState(const QJsonObject &state, QString *warnings)
{
    const QString where = portPathText();
    auto warn = [&](const QString &text) { *warnings += where + QStringLiteral(": ") + text + QLatin1Char('\n'); };
    if (state.value(QStringLiteral("modelName")).isString())
        m_modelName = state.value(QStringLiteral("modelName")).toString().toLatin1().left(TextSize);
    if (state.value(QStringLiteral("serialNumber")).isString())
        m_serialNumber = state.value(QStringLiteral("serialNumber")).toString().toLatin1().left(TextSize);
    const QJsonValue joystick = state.value(QStringLiteral("joystickEnable"));
    if (joystick.isDouble())
        m_joystickEnable = static_cast<std::uint16_t>(joystick.toInt());
    const QJsonValue axesValue = state.value(QStringLiteral("axes"));
    if (!axesValue.isArray()) {
        warn(QStringLiteral("no axes array"));
        return;
    }
    const QJsonArray axes = axesValue.toArray();
    if (axes.isEmpty() || axes.size() > MaxAxes) {
        warn(QStringLiteral("axis count out of range"));
        return;
    }
    resizeAxes(axes.size());
    for (int a = 0; a < axes.size(); ++a) {
        const QJsonObject axisState = axes.at(a).toObject();
        AxisModel &axis = m_axes[static_cast<std::size_t>(a)];
        const int detect = axisState.value(QStringLiteral("autoDetect")).toInt(-1);
        if (detect >= 0 && detect <= 0xFFFF)
            axis.setAutoDetect(static_cast<std::uint16_t>(detect));
        const QJsonObject values = axisState.value(QStringLiteral("values")).toObject();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            const ParamInfo *info = ParameterCatalogue::byName(it.key().toLatin1().constData());
            QString error;
            if (!info)
                warn(QStringLiteral("unknown value %1 ignored").arg(it.key()));
            else if (!axis.parameters().fromJson(info->id, it.value(), &error))
                warn(error);
        }
    }
}
