// Status words a controller puts in a reply it refuses. 0 means accepted.
#ifndef VELMO_SIM_REFUSALSTATUS_H
#define VELMO_SIM_REFUSALSTATUS_H

#include <cstdint>

namespace RefusalStatus {
constexpr std::uint16_t Accepted = 0x0000;
constexpr std::uint16_t Injected = 0x0001;      // armed status fault
constexpr std::uint16_t UnknownCode = 0x0010;
constexpr std::uint16_t BadLength = 0x0011;     // request payload of the wrong size
constexpr std::uint16_t BadAxis = 0x0012;       // axis number not below the axis count
constexpr std::uint16_t AxisDisabled = 0x0013;  // motion asked of a disabled motor
constexpr std::uint16_t AxisBusy = 0x0014;      // motion asked while another one runs
constexpr std::uint16_t BadValue = 0x0015;      // direction, count, speed or axis count out of range
constexpr std::uint16_t SensorFault = 0x0016;   // homing with a failed home sensor
}

#endif
