// The Tango class of the controller devices.
#pragma once

#include <tango.h>

namespace velmotango {

class VelmoControllerClass : public Tango::DeviceClass
{
public:
    static VelmoControllerClass *init(const char *name);

protected:
    explicit VelmoControllerClass(std::string &name);
    void command_factory() override;
    void attribute_factory(std::vector<Tango::Attr *> &attributes) override;
    void device_factory(const Tango::DevVarStringArray *names) override;

private:
    static VelmoControllerClass *s_instance;
};

} // namespace velmotango
