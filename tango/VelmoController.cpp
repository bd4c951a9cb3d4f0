#include "VelmoController.h"

#include "ControllerLink.h"
#include "ControllerRegistry.h"
#include "DeviceNames.h"

namespace velmotango {

VelmoController::VelmoController(Tango::DeviceClass *deviceClass, std::string &name)
    : Tango::Device_4Impl(deviceClass, name)
{
    init_device();
}

VelmoController::~VelmoController()
{
    delete_device();
}

void VelmoController::init_device()
{
    m_serial.clear();
    m_setupFault.clear();
    if (Tango::Util::_UseDb) {
        Tango::DbData properties;
        properties.push_back(Tango::DbDatum("SerialNumber"));
        get_db_device()->get_property(properties);
        if (!properties[0].is_empty())
            properties[0] >> m_serial;
    }
    if (m_serial.empty() && !DeviceNames::controllerSerial(get_name(), &m_serial))
        m_setupFault = "no serial number: set the SerialNumber property, or name the device "
                       "<domain>/<family>/<serial number>";
    if (!m_setupFault.empty()) {
        set_state(Tango::FAULT);
        set_status(m_setupFault);
        return;
    }
    // Init reopens: after a re-plug the old channel is dead even when the
    // controller is back on the same port.
    m_link = ControllerRegistry::link(m_serial);
    m_link->reopen();
    dev_state();
}

void VelmoController::delete_device()
{
    m_link.reset();
}

Tango::DevState VelmoController::dev_state()
{
    if (!m_setupFault.empty()) {
        m_statusText = m_setupFault;
        set_state(Tango::FAULT);
        return Tango::FAULT;
    }
    if (m_link->checkPresent()) {
        const ControllerIdentity identity = m_link->identity();
        m_statusText = "controller " + identity.serialNumber + " (" + identity.model + ", firmware "
            + identity.firmware + ", " + std::to_string(identity.axisCount) + " axes) is open as device id "
            + std::to_string(identity.deviceId);
        set_state(Tango::ON);
        return Tango::ON;
    }
    m_statusText = m_link->faultReason();
    set_state(Tango::FAULT);
    return Tango::FAULT;
}

Tango::ConstDevString VelmoController::dev_status()
{
    dev_state();
    set_status(m_statusText);
    return m_statusText.c_str();
}

void VelmoController::requireOpen(const char *origin)
{
    if (!m_setupFault.empty())
        Tango::Except::throw_exception("VELMO_Configuration", m_setupFault, origin);
    if (!m_link->isOpen())
        Tango::Except::throw_exception("VELMO_ControllerUnavailable", m_link->faultReason(), origin);
}

void VelmoController::readText(Tango::Attribute &attribute, const std::string &text)
{
    m_text = text;
    m_textRead = const_cast<char *>(m_text.c_str());
    attribute.set_value(&m_textRead);
}

void VelmoController::readSerialNumber(Tango::Attribute &attribute)
{
    requireOpen("VelmoController::readSerialNumber");
    readText(attribute, m_link->identity().serialNumber);
}

void VelmoController::readModel(Tango::Attribute &attribute)
{
    requireOpen("VelmoController::readModel");
    readText(attribute, m_link->identity().model);
}

void VelmoController::readFirmware(Tango::Attribute &attribute)
{
    requireOpen("VelmoController::readFirmware");
    readText(attribute, m_link->identity().firmware);
}

void VelmoController::readAxisCount(Tango::Attribute &attribute)
{
    requireOpen("VelmoController::readAxisCount");
    m_longRead = m_link->identity().axisCount;
    attribute.set_value(&m_longRead);
}

void VelmoController::readDeviceId(Tango::Attribute &attribute)
{
    requireOpen("VelmoController::readDeviceId");
    m_longRead = m_link->identity().deviceId;
    attribute.set_value(&m_longRead);
}

} // namespace velmotango
