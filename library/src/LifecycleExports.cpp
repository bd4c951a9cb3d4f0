// Library lifecycle and the controller registry.
#include "velmoLibrary.h"

#include "UsbBus.h"
#include "deviceMgr.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

// The application object handed to hosts without one; deleted by
// libraryDeInit or when the library is unloaded.
struct ApplicationHolder {
    QCoreApplication *application = nullptr;
    ~ApplicationHolder() { delete application; }
};

ApplicationHolder holder;
int applicationArgc = 1;
char applicationName[] = "KXvelmo_Library";
char *applicationArgv[] = {applicationName, nullptr};

} // namespace

extern "C" {

int VELMO_CALL libraryInit(void)
{
    // A host that already has an application object (or called this
    // before) keeps it: Qt allows only one per process.
    QCoreApplication *application = QCoreApplication::instance();
    if (application == nullptr) {
        holder.application = new QCoreApplication(applicationArgc, applicationArgv);
        application = holder.application;
    }
    QMetaObject::invokeMethod(application, "quit", Qt::QueuedConnection);
    return application->exec();
}

void VELMO_CALL libraryDeInit(void)
{
    delete holder.application;
    holder.application = nullptr;
}

int VELMO_CALL listKXMotorControlerDevices(int *ids, int capacity)
{
    return velmo::UsbBus::enumerate(velmo::deviceMgr::kVendorId, velmo::deviceMgr::kProductId, ids, capacity);
}

int VELMO_CALL addDev(int id)
{
    velmo::deviceMgr::instance()->addDev(id);
    return 0;
}

int VELMO_CALL openKXDevice(int id)
{
    return velmo::deviceMgr::instance()->openDevice(id);
}

int VELMO_CALL closeKXDevice(int id)
{
    return velmo::deviceMgr::instance()->closeDevice(id);
}

int VELMO_CALL removeDev(int id)
{
    return velmo::deviceMgr::instance()->removeDev(id);
}

} // extern "C"
