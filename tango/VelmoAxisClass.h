// The Tango class of the axis devices: their attributes, commands and
// properties.
#pragma once

#include "VelmoAxis.h"
#include "VelmoDeviceClass.h"

namespace velmotango {

class VelmoAxisClass : public VelmoDeviceClass<VelmoAxis>
{
public:
    static VelmoAxisClass *init(const char *name) { return single<VelmoAxisClass>(name); }
    explicit VelmoAxisClass(std::string &name) : VelmoDeviceClass(name) {}

protected:
    void command_factory() override;
    void attribute_factory(std::vector<Tango::Attr *> &attributes) override;
};

} // namespace velmotango
