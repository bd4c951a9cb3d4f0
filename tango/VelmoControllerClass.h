// The Tango class of the controller devices.
#pragma once

#include "VelmoController.h"
#include "VelmoDeviceClass.h"

namespace velmotango {

class VelmoControllerClass : public VelmoDeviceClass<VelmoController>
{
public:
    static VelmoControllerClass *init(const char *name) { return single<VelmoControllerClass>(name); }
    explicit VelmoControllerClass(std::string &name) : VelmoDeviceClass(name) {}

protected:
    void command_factory() override;
    void attribute_factory(std::vector<Tango::Attr *> &attributes) override;
};

} // namespace velmotango
