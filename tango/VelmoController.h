// One controller as a Tango device: its identity, whether it is open, and
// Init to open it again after it was unplugged.
#pragma once

#include <tango.h>

#include <memory>
#include <string>

namespace velmotango {

class ControllerLink;

class VelmoController : public Tango::Device_4Impl
{
public:
    VelmoController(Tango::DeviceClass *deviceClass, std::string &name);
    ~VelmoController() override;

    void init_device() override;
    void delete_device() override;
    Tango::DevState dev_state() override;
    Tango::ConstDevString dev_status() override;

    void readSerialNumber(Tango::Attribute &attribute);
    void readModel(Tango::Attribute &attribute);
    void readFirmware(Tango::Attribute &attribute);
    void readAxisCount(Tango::Attribute &attribute);
    void readDeviceId(Tango::Attribute &attribute);

private:
    void requireOpen(const char *origin);
    void readText(Tango::Attribute &attribute, const std::string &text);

    std::shared_ptr<ControllerLink> m_link;
    std::string m_serial;
    std::string m_setupFault;
    std::string m_statusText;

    std::string m_text;
    Tango::DevString m_textRead = nullptr;
    Tango::DevLong m_longRead = 0;
};

} // namespace velmotango
