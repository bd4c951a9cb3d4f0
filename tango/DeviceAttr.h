// A Tango attribute whose read and write go to member functions of the
// device class, so the devices need no attribute class per attribute.
#pragma once

#include <tango.h>

namespace velmotango {

template <typename Device>
class DeviceAttr : public Tango::Attr
{
public:
    using Reader = void (Device::*)(Tango::Attribute &);
    using Writer = void (Device::*)(Tango::WAttribute &);

    DeviceAttr(const char *name, long type, Reader reader, Writer writer, const char *description,
               const char *unit = nullptr)
        : Tango::Attr(name, type, writer ? Tango::READ_WRITE : Tango::READ), m_reader(reader), m_writer(writer)
    {
        Tango::UserDefaultAttrProp properties;
        properties.set_description(description);
        if (unit)
            properties.set_unit(unit);
        set_default_properties(properties);
    }

    void read(Tango::DeviceImpl *device, Tango::Attribute &attribute) override
    {
        (static_cast<Device *>(device)->*m_reader)(attribute);
    }

    void write(Tango::DeviceImpl *device, Tango::WAttribute &attribute) override
    {
        if (m_writer)
            (static_cast<Device *>(device)->*m_writer)(attribute);
    }

private:
    Reader m_reader;
    Writer m_writer;
};

// A command without argument or result that calls a member function.
template <typename Device>
class DeviceCommand : public Tango::Command
{
public:
    using Action = void (Device::*)();

    DeviceCommand(const char *name, Action action, const char *description)
        : Tango::Command(name, Tango::DEV_VOID, Tango::DEV_VOID, "none", description, Tango::OPERATOR),
          m_action(action)
    {
    }

    CORBA::Any *execute(Tango::DeviceImpl *device, const CORBA::Any &) override
    {
        (static_cast<Device *>(device)->*m_action)();
        return new CORBA::Any();
    }

private:
    Action m_action;
};

} // namespace velmotango
