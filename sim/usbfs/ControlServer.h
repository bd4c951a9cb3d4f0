// A small line protocol on a UNIX socket through which a program under test
// unplugs, re-plugs and disturbs the emulated controllers. One command per
// connection: the client sends a line and reads one line back ("ok ..." or
// "error ..."). Runs on the main loop, next to the testbed it drives.
#ifndef VELMO_USBFS_CONTROLSERVER_H
#define VELMO_USBFS_CONTROLSERVER_H

#include "UmockdevIncludes.h"
#include "UsbfsTestbed.h"
#include "VirtualBus.h"

#include <string>
#include <vector>

class ControlServer
{
public:
    ControlServer(VirtualBus &bus, UsbfsTestbed &testbed);
    ~ControlServer();
    ControlServer(const ControlServer &) = delete;
    ControlServer &operator=(const ControlServer &) = delete;

    bool listen(const std::string &path, std::string *problem);

    // Runs one command line; public so that its parsing can be tested alone.
    std::string execute(const std::string &line);

private:
    static gboolean onIncoming(GSocketService *service, GSocketConnection *connection, GObject *source,
                               gpointer self);
    void serve(GSocketConnection *connection);
    static bool parseInt(const std::string &text, int *value);
    static bool parseHex(const std::string &text, std::vector<std::uint8_t> *bytes);

    VirtualBus &m_bus;
    UsbfsTestbed &m_testbed;
    GSocketService *m_service = nullptr;
    std::string m_path;
};

#endif
