#include "SerialComDev.h"
#include "AppLogCategories.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>
#include <cstring>

QMutex SerialComDev::libMutex;

namespace {

// The one instance and its worker thread. The owner quits and joins the
// thread before the instance is destroyed, so no slot can run on a
// destroyed object at exit.
struct ServiceOwner {
    QMutex creationMutex;
    SerialComDev *instance = nullptr;
    QThread *thread = nullptr;
    ~ServiceOwner() { SerialComDev::shutdown(); }
};

ServiceOwner &owner()
{
    static ServiceOwner theOwner;
    return theOwner;
}

constexpr int kTextBufferSize = 32;

} // namespace

SerialComDev *SerialComDev::instance()
{
    ServiceOwner &o = owner();
    QMutexLocker lock(&o.creationMutex);
    if (o.instance == nullptr) {
        o.instance = new SerialComDev;
        o.thread = new QThread;
        o.thread->setObjectName(QStringLiteral("SerialComDev"));
        o.instance->moveToThread(o.thread);
        o.thread->start(QThread::InheritPriority);
    }
    return o.instance;
}

void SerialComDev::shutdown()
{
    ServiceOwner &o = owner();
    QMutexLocker lock(&o.creationMutex);
    if (o.instance == nullptr)
        return;
    o.thread->quit();
    o.thread->wait();
    delete o.instance;
    delete o.thread;
    o.instance = nullptr;
    o.thread = nullptr;
}

SerialComDev::SerialComDev()
{
    registerServiceMetaTypes();
    wireRequests();
}

SerialComDev::~SerialComDev()
{
    if (m_connected) {
        qCDebug(lcService) << "~SerialComDev";
        closeDevice();
        m_connected = false;
    }
}

void SerialComDev::wireRequests()
{
    // Polls go through a gate in the emitting thread that drops duplicates
    // of requests still waiting; every other request is queued as is.
    connect(this, &SerialComDev::signal_getCurrentPos, this,
            [this](int axis) { enqueuePoll(axis, PollKind::Position); }, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_getDevState, this,
            [this](int axis) { enqueuePoll(axis, PollKind::State); }, Qt::DirectConnection);

    // Counted in the emitting thread, before the request is queued, so that
    // the poll gate knows which polls a request has overtaken.
    const auto count = [this] { noteRequest(); };
    connect(this, &SerialComDev::signal_setSpeedParams, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setRelativeDispParams, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setAbsoluteDispParams, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setJogParams, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setCircleParams, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setTriggerParams, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setMotorConfig, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_stopMotor, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_startMotor, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_home, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_enableMotor, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setRockerEnabled, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setTriggerInDisp, this, count, Qt::DirectConnection);
    connect(this, &SerialComDev::signal_setPosConpenEnable, this, count, Qt::DirectConnection);

    connect(this, &SerialComDev::signal_setSpeedParams, this, &SerialComDev::slot_setSpeedParams);
    connect(this, &SerialComDev::signal_setRelativeDispParams, this, &SerialComDev::slot_setRelativeDispParams);
    connect(this, &SerialComDev::signal_setAbsoluteDispParams, this, &SerialComDev::slot_setAbsoluteDispParams);
    connect(this, &SerialComDev::signal_setJogParams, this, &SerialComDev::slot_setJogParams);
    connect(this, &SerialComDev::signal_setCircleParams, this, &SerialComDev::slot_setCircleParams);
    connect(this, &SerialComDev::signal_setTriggerParams, this, &SerialComDev::slot_setTriggerParams);
    connect(this, &SerialComDev::signal_setMotorConfig, this, &SerialComDev::slot_setMotorConfig);
    connect(this, &SerialComDev::signal_stopMotor, this, &SerialComDev::slot_stopMotor);
    connect(this, &SerialComDev::signal_startMotor, this, &SerialComDev::slot_startMotor);
    connect(this, &SerialComDev::signal_home, this, &SerialComDev::slot_homeMotor);
    connect(this, &SerialComDev::signal_enableMotor, this, &SerialComDev::slot_enableMotor);
    connect(this, &SerialComDev::signal_setRockerEnabled, this, &SerialComDev::slot_setRockerEnabled);
    connect(this, &SerialComDev::signal_setTriggerInDisp, this, &SerialComDev::slot_setTriggerInDisp);
    connect(this, &SerialComDev::signal_setPosConpenEnable, this, &SerialComDev::slot_setPosConpenEnable);
}

// ------------------------------------------------------------ connection

int SerialComDev::currentDevId()
{
    ServiceOwner &o = owner();
    QMutexLocker lock(&o.creationMutex);
    return o.instance != nullptr ? o.instance->m_devId.load() : 0;
}

int SerialComDev::openDevice(int id)
{
    QMutexLocker lock(&libMutex);
    addDev(id);
    const int result = openKXDevice(id);
    if (result < 0) {
        removeDev(id);
        return result;
    }
    m_devId = id;
    return id;
}

int SerialComDev::closeDevice()
{
    QMutexLocker lock(&libMutex);
    if (m_devId != 0) {
        closeKXDevice(m_devId);
        removeDev(m_devId);
    }
    m_connected = false;
    m_devId = 0;
    return 0;
}

bool SerialComDev::isConnected() const
{
    return m_connected;
}

void SerialComDev::setConnected(bool connected)
{
    m_connected = connected;
}

void SerialComDev::requestCurrentPos(int axis)
{
    emit signal_getCurrentPos(axis);
}

// ---------------------------------------------------------------- polling

void SerialComDev::noteRequest()
{
    QMutexLocker lock(&m_pollMutex);
    ++m_requestCount;
}

void SerialComDev::enqueuePoll(int axis, PollKind kind)
{
    QMutexLocker lock(&m_pollMutex);
    for (const PollRequest &pending : qAsConst(m_pendingPolls)) {
        if (pending.axis == axis && pending.kind == kind && pending.requestsBefore == m_requestCount)
            return;
    }
    m_pendingPolls.append({axis, kind, m_requestCount});
    if (!m_pollServicePosted) {
        m_pollServicePosted = true;
        QMetaObject::invokeMethod(this, &SerialComDev::serveNextPoll, Qt::QueuedConnection);
    }
}

void SerialComDev::serveNextPoll()
{
    PollRequest request;
    {
        QMutexLocker lock(&m_pollMutex);
        if (m_pendingPolls.isEmpty()) {
            m_pollServicePosted = false;
            return;
        }
        request = m_pendingPolls.takeFirst();
        if (m_pendingPolls.isEmpty())
            m_pollServicePosted = false;
        else
            QMetaObject::invokeMethod(this, &SerialComDev::serveNextPoll, Qt::QueuedConnection);
    }
    if (request.kind == PollKind::Position)
        slot_getCurrentPos(request.axis);
    else
        slot_getCurrentState(request.axis);
}

int SerialComDev::pendingPollCount() const
{
    QMutexLocker lock(&m_pollMutex);
    return m_pendingPolls.size();
}

void SerialComDev::slot_getCurrentPos(int Axis)
{
    QMutexLocker lock(&libMutex);
    int err = 0;
    const double pos = ::getCurrentPos(m_devId, Axis, &err);
    if (err < 0)
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("读取当前位置出错"));
    else
        emit signal_updateCurrentPos(Axis, pos);
}

void SerialComDev::slot_getCurrentState(int Axis)
{
    QMutexLocker lock(&libMutex);
    MotorStageState state;
    std::memset(&state, 0, sizeof state);
    if (::getRuningState(m_devId, Axis, &state) < 0)
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("获取设备状态出错"));
    else
        emit signal_updateDevState(Axis, state);
}

void SerialComDev::slot_heartBeat()
{
    QMutexLocker lock(&libMutex);
    CONTROLER_STATE state;
    std::memset(&state, 0, sizeof state);
    const int ret = ::getRockerInfo(m_devId, &state);
    emit signal_heartBeatInfo(state, ret);
}

// --------------------------------------------------------- motion commands

void SerialComDev::reportOperation(int axis, int result, int type, const QString &text)
{
    emit signal_showOperationMsg(axis, result >= 0 ? MsgSucceeded : MsgFailed, type, text);
}

void SerialComDev::slot_startMotor(int Axis, int mode)
{
    QMutexLocker lock(&libMutex);
    switch (mode) {
    case MOVE_CODE_MOVE:
        reportOperation(Axis, ::startMove(m_devId, Axis), 1, tr("Move"));
        break;
    case MOVE_CODE_DRIVE_POSITIVE:
        reportOperation(Axis, ::startDrive(m_devId, Axis, 1), 3, tr("正方向Drive"));
        break;
    case MOVE_CODE_DRIVE_NEGATIVE:
        reportOperation(Axis, ::startDrive(m_devId, Axis, 2), 3, tr("负方向Drive"));
        break;
    case MOVE_CODE_JOG_POSITIVE:
        reportOperation(Axis, ::startJog(m_devId, Axis, 1), 5, tr("正方向Jog"));
        break;
    case MOVE_CODE_JOG_NEGATIVE:
        reportOperation(Axis, ::startJog(m_devId, Axis, 2), 5, tr("负方向Jog"));
        break;
    case MOVE_CODE_CIRCLE_POSITIVE:
        reportOperation(Axis, ::startCircle(m_devId, Axis, 1), 10, tr("正方向循环"));
        break;
    case MOVE_CODE_CIRCLE_NEGATIVE:
        reportOperation(Axis, ::startCircle(m_devId, Axis, 2), 10, tr("负方向循环"));
        break;
    default:
        break; // unknown modes do nothing at all
    }
}

void SerialComDev::slot_stopMotor(int Axis)
{
    QMutexLocker lock(&libMutex);
    reportOperation(Axis, ::stopRuning(m_devId, Axis), 8, tr("停止运行"));
}

void SerialComDev::slot_homeMotor(int Axis)
{
    QMutexLocker lock(&libMutex);
    reportOperation(Axis, ::home(m_devId, Axis), 13, tr("电机复位"));
}

void SerialComDev::slot_enableMotor(int Axis, bool enable)
{
    QMutexLocker lock(&libMutex);
    ::setMotorEnable(m_devId, Axis, enable ? 1 : 0);
}

void SerialComDev::slot_setRockerEnabled(bool b)
{
    QMutexLocker lock(&libMutex);
    ::setRockerEnable(m_devId, b ? 1 : 0);
}

void SerialComDev::slot_setPosConpenEnable(int Axis, bool b)
{
    QMutexLocker lock(&libMutex);
    ::setPosConpenEnable(m_devId, Axis, b ? 1 : 0);
}

void SerialComDev::slot_setMotorConfig(int ID, QString model, QString fileName)
{
    // The device parameter dialog announces a stage configuration here; it
    // changes nothing on the controller.
    Q_UNUSED(ID)
    Q_UNUSED(model)
    Q_UNUSED(fileName)
}

// ------------------------------------------------------- parameter slots

QString SerialComDev::doubleText(double value)
{
    return QString::number(value, 'g', 6);
}

void SerialComDev::slot_setSpeedParams(int Axis, double acc, double speed)
{
    QMutexLocker lock(&libMutex);
    if (::setSpeed(m_devId, Axis, speed) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("设置速度参数出错"));
        return;
    }
    if (::setAcceleration(m_devId, Axis, acc) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("设置加速度参数出错"));
        return;
    }
    MotorDevInfo &record = m_motorInfoMap[Axis];
    record.speed = speed;
    record.acceleration = acc;
    emit signal_showOperationMsg(Axis, MsgSucceeded, 99,
                                 tr("设置参数，速度：%1，加速度：%2").arg(doubleText(speed), doubleText(acc)));
}

void SerialComDev::slot_setRelativeDispParams(int Axis, double disp, bool enable)
{
    QMutexLocker lock(&libMutex);
    if (::setRelativeDisp(m_devId, Axis, disp) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("设置相对位移参数出错"));
        return;
    }
    if (::setRelativeDispEnable(m_devId, Axis, enable ? 1 : 0) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("设置相对位移使能参数出错"));
        return;
    }
    MotorDevInfo &record = m_motorInfoMap[Axis];
    record.relativeDisp = disp;
    record.relativeDispEnable = enable;
    emit signal_showOperationMsg(
        Axis, MsgSucceeded, 4,
        tr("设置参数，相对位移：%1，使能：%2").arg(doubleText(disp), QString::number(enable ? 1 : 0)));
}

void SerialComDev::slot_setAbsoluteDispParams(int Axis, double disp)
{
    QMutexLocker lock(&libMutex);
    if (::setTargetPos(m_devId, Axis, disp) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 99, tr("设置目标位置参数出错"));
        return;
    }
    m_motorInfoMap[Axis].targetPos = disp;
    emit signal_showOperationMsg(Axis, MsgSucceeded, 2, tr("设置参数，目标位置：%1").arg(doubleText(disp)));
}

void SerialComDev::slot_setJogParams(int Axis, double step, int count, int delay)
{
    QMutexLocker lock(&libMutex);
    if (::setJogStep(m_devId, Axis, step) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 6, tr("设置JOG步长失败"));
        return;
    }
    m_motorInfoMap[Axis].jogStep = step;
    if (::setJogCount(m_devId, Axis, count) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 6, tr("设置JOG次数失败"));
        return;
    }
    m_motorInfoMap[Axis].jogCount = count;
    if (::setJogDelay(m_devId, Axis, delay) < 0) {
        // This one text is shown as is in every language.
        emit signal_showOperationMsg(Axis, MsgFailed, 6, QStringLiteral("设置JOG延时时间失败"));
        return;
    }
    m_motorInfoMap[Axis].jogDelay = delay;
    emit signal_showOperationMsg(
        Axis, MsgSucceeded, 6,
        tr("JOG步长：%1, JOG次数：%2, JOG延时:%3").arg(doubleText(step), QString::number(count), QString::number(delay)));
}

void SerialComDev::slot_setCircleParams(int Axis, int count, double disp, int delay)
{
    QMutexLocker lock(&libMutex);
    if (::setCircleCount(m_devId, Axis, count) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 11, tr("设置循环次数失败"));
        return;
    }
    m_motorInfoMap[Axis].circleCount = count;
    if (::setCircleDisp(m_devId, Axis, disp) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 11, tr("设置循环位移量失败"));
        return;
    }
    m_motorInfoMap[Axis].circleDisp = disp;
    if (::setCircleDelay(m_devId, Axis, delay) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 11, tr("设置循环停留时间失败"));
        return;
    }
    m_motorInfoMap[Axis].circleDelay = delay;
    emit signal_showOperationMsg(Axis, MsgSucceeded, 11,
                                 tr("循环次数：%1, 循环位移：%2").arg(QString::number(count), doubleText(disp)));
}

void SerialComDev::slot_setTriggerParams(int Axis, int intput, int output)
{
    // The messages number axes from 1, as the panel titles do.
    QMutexLocker lock(&libMutex);
    if (::setTriggerInEnable(m_devId, Axis, intput) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 11, tr("设置触发输入参数失败，轴:%1").arg(Axis + 1));
        return;
    }
    if (::setTriggerOutEnable(m_devId, Axis, output) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 11, tr("设置触发输出参数失败，轴:%1").arg(Axis + 1));
        return;
    }
    MotorDevInfo &record = m_motorInfoMap[Axis];
    record.triggerInEnable = intput;
    record.triggerOutEnable = output;
}

void SerialComDev::slot_setTriggerInDisp(int Axis, double disp)
{
    QMutexLocker lock(&libMutex);
    if (::setTriggerStep(m_devId, Axis, disp) < 0) {
        emit signal_showOperationMsg(Axis, MsgFailed, 11, tr("设置触发输入位移量失败，轴:%1").arg(Axis + 1));
        return;
    }
    m_motorInfoMap[Axis].triggerStep = disp;
}

// ------------------------------------------------------- direct queries

QString SerialComDev::textUntilZero(const char *buffer, int size)
{
    return QString::fromUtf8(buffer, int(qstrnlen(buffer, uint(size))));
}

int SerialComDev::getDevAxisCount()
{
    QMutexLocker lock(&libMutex);
    return ::getDevAxisCount(m_devId);
}

bool SerialComDev::readMotorAutoDetect(int axis, int *code)
{
    QMutexLocker lock(&libMutex);
    if (code == nullptr)
        return false;
    // The library writes one byte: the auto-detect code.
    char detected = 0;
    if (::getMotorAutoDetect(m_devId, axis, &detected) < 0)
        return false;
    *code = quint8(detected);
    qCDebug(lcService).noquote() << "readMotorAutoDetect  " << *code;
    m_autoDetectMap[axis] = *code;
    return true;
}

bool SerialComDev::getMotorModelName(int axis, QString &name)
{
    QMutexLocker lock(&libMutex);
    char buffer[kTextBufferSize] = {};
    if (::getMotorModelName(m_devId, axis, buffer, kTextBufferSize) < 0)
        return false;
    name = textUntilZero(buffer, kTextBufferSize);
    return true;
}

int SerialComDev::getMotorParams(int axis, MotorParams *params)
{
    QMutexLocker lock(&libMutex);
    return ::getMotorParams(m_devId, axis, params);
}

int SerialComDev::setMotorParams(int axis, MotorParams params)
{
    QMutexLocker lock(&libMutex);
    return ::setMotorParams(m_devId, axis, params);
}

int SerialComDev::getRockerEnable()
{
    QMutexLocker lock(&libMutex);
    return ::getRockerEnable(m_devId);
}

int SerialComDev::getPosConpenEnable(int axis, bool *enabled)
{
    QMutexLocker lock(&libMutex);
    short flag = 0; // the library writes a 16-bit value
    const int result = ::getPosConpenEnable(m_devId, axis, &flag);
    if (result < 0)
        return result;
    if (enabled != nullptr)
        *enabled = flag != 0;
    return 0;
}

QString SerialComDev::getDevSoftVersion()
{
    QMutexLocker lock(&libMutex);
    char buffer[kTextBufferSize] = {};
    if (::getDevSoftVersion(m_devId, buffer, kTextBufferSize) < 0)
        return QString();
    return textUntilZero(buffer, kTextBufferSize);
}

int SerialComDev::initAxis(int axis)
{
    {
        QMutexLocker lock(&libMutex);
        MotorDevInfo record;
        record.axis = axis;
        m_motorInfoMap.insert(axis, record);
    }
    return readAxisParams(axis);
}

int SerialComDev::readAxisParams(int axis)
{
    QMutexLocker lock(&libMutex);
    MotorDevInfo &record = m_motorInfoMap[axis];
    char buffer[kTextBufferSize] = {};
    if (::getMotorModelName(m_devId, axis, buffer, kTextBufferSize) < 0)
        return -1;
    record.motorModel = textUntilZero(buffer, kTextBufferSize);

    std::memset(buffer, 0, sizeof buffer);
    const int serialResult = ::getMotorSerialNumber(m_devId, axis, buffer, kTextBufferSize);
    qCDebug(lcService).noquote() << "readAxisParams" << serialResult;
    if (serialResult < 0)
        return -2;
    record.motorSerial = textUntilZero(buffer, kTextBufferSize);

    int err = 0;
    const double position = ::getCurrentPos(m_devId, axis, &err);
    if (err < 0)
        return -3;
    record.currentPos = position;

    const double speed = ::getSpeed(m_devId, axis);
    if (speed < 0)
        return -4;
    record.speed = speed;

    const double acceleration = ::getAcceleration(m_devId, axis);
    if (acceleration < 0)
        return -5;
    record.acceleration = acceleration;

    const double relativeDisp = ::getRelativeDisp(m_devId, axis);
    if (relativeDisp < 0)
        return -6;
    record.relativeDisp = relativeDisp;

    char ok = 0;
    const double target = ::getTargetPos(m_devId, axis, &ok);
    qCDebug(lcService).noquote() << "readAxisParams" << 224 << target;
    if (ok == 0)
        return -7;
    record.targetPos = target;

    const int relativeEnable = ::getRelativeDispEnable(m_devId, axis);
    if (relativeEnable < 0)
        return -8;
    record.relativeDispEnable = relativeEnable != 0;

    const double jogStep = ::getJogStep(m_devId, axis);
    if (jogStep < 0)
        return -9;
    record.jogStep = jogStep;

    const int jogDelay = ::getJogDelay(m_devId, axis);
    if (jogDelay < 0)
        return -10;
    record.jogDelay = jogDelay;

    const int jogCount = ::getJogCount(m_devId, axis);
    if (jogCount < 0)
        return -11;
    record.jogCount = jogCount;

    const int circleCount = ::getCircleCount(m_devId, axis);
    if (circleCount < 0)
        return -12;
    record.circleCount = circleCount;

    const double circleDisp = ::getCircleDisp(m_devId, axis);
    if (circleDisp < 0)
        return -13;
    record.circleDisp = circleDisp;

    const int circleDelay = ::getCircleDelay(m_devId, axis);
    if (circleDelay < 0)
        return -14;
    record.circleDelay = circleDelay;
    return 0;
}

int SerialComDev::readTriggerParams(int axis, int *in, int *out, double *step)
{
    QMutexLocker lock(&libMutex);
    auto record = m_motorInfoMap.find(axis);
    const bool cached = record != m_motorInfoMap.end();

    const int input = ::getTriggerInEnable(m_devId, axis);
    if (input < 0)
        return -1;
    if (in != nullptr)
        *in = input;
    if (cached)
        record->triggerInEnable = input;

    const int output = ::getTriggerOutEnable(m_devId, axis);
    if (output < 0)
        return -2;
    if (out != nullptr)
        *out = output;
    if (cached)
        record->triggerOutEnable = output;

    int err = 0;
    const double triggerStep = ::getTriggerStep(m_devId, axis, &err);
    if (err < 0)
        return -2;
    if (step != nullptr)
        *step = triggerStep;
    if (cached)
        record->triggerStep = triggerStep;
    return 0;
}

QString SerialComDev::getAxisSerialNo(int axis)
{
    const MotorDevInfo record = cachedRecord(axis);
    qCDebug(lcService).noquote() << "getAxisSerialNo" << record.axis << record.motorSerial << record.acceleration
                       << record.motorModel;
    return record.motorSerial;
}

// -------------------------------------------------------- cached getters

QList<int> SerialComDev::cachedAxes()
{
    QMutexLocker lock(&libMutex);
    return m_motorInfoMap.keys();
}

MotorDevInfo SerialComDev::cachedRecord(int axis)
{
    QMutexLocker lock(&libMutex);
    return m_motorInfoMap.value(axis);
}

double SerialComDev::axisSpeed(int axis) { return cachedRecord(axis).speed; }
double SerialComDev::axisAcceleration(int axis) { return cachedRecord(axis).acceleration; }
double SerialComDev::axisRelativeDisp(int axis) { return cachedRecord(axis).relativeDisp; }
double SerialComDev::axisTargetPos(int axis) { return cachedRecord(axis).targetPos; }
bool SerialComDev::axisRelativeDispEnable(int axis) { return cachedRecord(axis).relativeDispEnable; }
double SerialComDev::axisJogStep(int axis) { return cachedRecord(axis).jogStep; }
int SerialComDev::axisJogDelay(int axis) { return cachedRecord(axis).jogDelay; }
int SerialComDev::axisJogCount(int axis) { return cachedRecord(axis).jogCount; }
int SerialComDev::axisCircleCount(int axis) { return cachedRecord(axis).circleCount; }
double SerialComDev::axisCircleDisp(int axis) { return cachedRecord(axis).circleDisp; }
int SerialComDev::axisCircleDelay(int axis) { return cachedRecord(axis).circleDelay; }
