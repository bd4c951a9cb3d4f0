// The Tango class of the axis devices: their attributes, commands and
// properties.
#pragma once

#include <tango.h>

namespace velmotango {

class VelmoAxisClass : public Tango::DeviceClass
{
public:
    static VelmoAxisClass *init(const char *name);
    static VelmoAxisClass *instance();

protected:
    explicit VelmoAxisClass(std::string &name);
    void command_factory() override;
    void attribute_factory(std::vector<Tango::Attr *> &attributes) override;
    void device_factory(const Tango::DevVarStringArray *names) override;

private:
    static VelmoAxisClass *s_instance;
};

} // namespace velmotango
