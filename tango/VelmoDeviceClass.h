// What the two Tango classes of this server share: one instance per class,
// and devices created from the names Tango hands over and exported under
// them.
#pragma once

#include <tango.h>

namespace velmotango {

template <typename Device>
class VelmoDeviceClass : public Tango::DeviceClass
{
protected:
    explicit VelmoDeviceClass(std::string &name) : Tango::DeviceClass(name) {}

    void device_factory(const Tango::DevVarStringArray *names) override
    {
        for (CORBA::ULong i = 0; i < names->length(); ++i) {
            std::string name((*names)[i].in());
            auto *device = new Device(this, name);
            device_list.push_back(device);
            if (Tango::Util::_UseDb && !Tango::Util::_FileDb)
                export_device(device);
            else
                export_device(device, device->get_name().c_str());
        }
    }

    // The one instance of ConcreteClass, created on first use.
    template <typename ConcreteClass>
    static ConcreteClass *single(const char *name)
    {
        static ConcreteClass *instance = nullptr;
        if (!instance) {
            std::string className(name);
            instance = new ConcreteClass(className);
        }
        return instance;
    }
};

} // namespace velmotango
