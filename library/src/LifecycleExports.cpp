// Library lifecycle and the controller registry.
#include "velmoLibrary.h"

#include "UsbBus.h"
#include "deviceMgr.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdlib>

namespace {

// The application object handed to hosts without one; deleted by
// libraryDeInit or at exit.
QCoreApplication *ownApplication = nullptr;
int applicationArgc = 1;
char applicationName[] = "KXvelmo_Library";
char *applicationArgv[] = {applicationName, nullptr};

void deleteOwnApplication()
{
    delete ownApplication;
    ownApplication = nullptr;
}

// Registered after the application object (and the Qt globals it creates)
// exist, so it runs before those globals are torn down; a plain static
// destructor would run after them and crash.
void deleteOwnApplicationAtExit()
{
    static const bool registered = std::atexit(deleteOwnApplication) == 0;
    Q_UNUSED(registered)
}

} // namespace

extern "C" {

int VELMO_CALL libraryInit(void)
{
    // A host with an application object of its own runs its own event loop:
    // leave it alone (running or quitting it here would end the host's loop).
    QCoreApplication *application = QCoreApplication::instance();
    if (application != nullptr && application != ownApplication)
        return 0;
    if (application == nullptr) {
        ownApplication = new QCoreApplication(applicationArgc, applicationArgv);
        application = ownApplication;
        deleteOwnApplicationAtExit();
    }
    QMetaObject::invokeMethod(application, "quit", Qt::QueuedConnection);
    return application->exec();
}

void VELMO_CALL libraryDeInit(void)
{
    deleteOwnApplication();
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
