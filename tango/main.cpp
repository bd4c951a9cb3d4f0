// velmo-tango: serves the velmo controllers attached to this machine as Tango
// devices (class VelmoController per controller, VelmoAxis per axis).
//
//   velmo-tango INSTANCE                                 devices from the Tango database
//   velmo-tango INSTANCE -ORBendPoint giop:tcp::10123 -nodb
//       -dlist VelmoController::velmo/controller/VM-0001,VelmoAxis::velmo/VM-0001/0,VelmoAxis::velmo/VM-0001/1
#include "ControllerRegistry.h"
#include "VelmoAxisClass.h"
#include "VelmoControllerClass.h"

#include <tango.h>

#include <iostream>

void Tango::DServer::class_factory()
{
    add_class(velmotango::VelmoControllerClass::init("VelmoController"));
    add_class(velmotango::VelmoAxisClass::init("VelmoAxis"));
}

int main(int argc, char *argv[])
{
    try {
        Tango::Util *util = Tango::Util::init(argc, argv);
        util->server_init();
        std::cout << "Ready to accept request" << std::endl;
        util->server_run();
        util->server_cleanup();
    } catch (const std::bad_alloc &) {
        std::cerr << "velmo-tango: out of memory" << std::endl;
        velmotango::ControllerRegistry::shutdown();
        return 1;
    } catch (const CORBA::Exception &error) {
        Tango::Except::print_exception(error);
        velmotango::ControllerRegistry::shutdown();
        return 1;
    }
    velmotango::ControllerRegistry::shutdown();
    return 0;
}
