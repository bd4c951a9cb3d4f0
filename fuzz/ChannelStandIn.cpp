// The command channel as the exports reach it (deviceMgr::channel, then
// LibusbTransfer::send / readReply), linked in place of deviceMgr.cpp and
// LibusbTransfer.cpp: requests go nowhere and replies come from the
// ReplyScript. Only device id kOpenId is open.
#include "LibusbTransfer.h"
#include "ReplyScript.h"
#include "deviceMgr.h"

namespace velmo {

namespace {
constexpr int kOpenId = 14;
}

deviceMgr *deviceMgr::instance()
{
    static deviceMgr registry;
    return &registry;
}

deviceMgr::~deviceMgr() = default;

std::shared_ptr<LibusbTransfer> deviceMgr::channel(int id)
{
    static const auto openChannel = std::make_shared<LibusbTransfer>();
    return id == kOpenId ? openChannel : nullptr;
}

LibusbTransfer::LibusbTransfer(QObject *parent) : QObject(parent) {}

LibusbTransfer::~LibusbTransfer() = default;

int LibusbTransfer::send(quint16, const QByteArray &frame)
{
    return frame.size() >= 8 ? 0 : -2;
}

int LibusbTransfer::readReply(quint16 code, char *dest, int expectedLength, int)
{
    ReplyScript *script = ReplyScript::current();
    return script != nullptr ? script->deliver(code, dest, expectedLength) : 0;
}

} // namespace velmo
