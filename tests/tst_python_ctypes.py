#!/usr/bin/env python3
"""velmoLibrary from Python through ctypes only: a move, a state read and a
motor parameter round trip against the virtual controller (id 14)."""
import ctypes
import sys
import time

DEVICE = 14


class MotorStageState(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint16) for name in (
        "isCanRun", "isStop", "isEnable", "isHome", "isLeftLimit", "isRightLimit",
        "isNegLimitFault", "isPosLimitFault", "isHomeFault")] + [("currentJog", ctypes.c_int32)]


class MotorParams(ctypes.Structure):
    _fields_ = [
        ("modelName", ctypes.c_char * 32), ("serialNumber", ctypes.c_char * 32),
        ("pulse", ctypes.c_uint32), ("helicalPitch", ctypes.c_double), ("restoreSpeed", ctypes.c_double),
        ("motorType", ctypes.c_int16), ("pLimitPolarity", ctypes.c_int16), ("nLimitPolarity", ctypes.c_int16),
        ("zeroPolarity", ctypes.c_int16), ("direction", ctypes.c_int16), ("limitDirection", ctypes.c_int16),
        ("unitType", ctypes.c_int16), ("optOrder", ctypes.c_char * 10),
        ("maxSpeed", ctypes.c_double), ("maxAcc", ctypes.c_double), ("minPos", ctypes.c_double),
        ("maxPos", ctypes.c_double), ("zoptWidth", ctypes.c_int16), ("optNum", ctypes.c_int16),
        ("returnTrip", ctypes.c_int16), ("motorPhase", ctypes.c_int16), ("modifyDate", ctypes.c_uint32),
        ("maxRockerSpeed", ctypes.c_double),
    ]


def check(condition, message):
    if not condition:
        print("FAIL:", message, file=sys.stderr)
        sys.exit(1)


def main():
    lib = ctypes.CDLL(sys.argv[1])
    lib.getCurrentPos.restype = ctypes.c_double
    lib.getCurrentPos.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
    lib.setTargetPos.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_double]
    lib.setSpeed.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_double]
    lib.setAcceleration.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_double]
    lib.getRuningState.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.POINTER(MotorStageState)]
    lib.setMotorParams.argtypes = [ctypes.c_int, ctypes.c_int, MotorParams]
    lib.getMotorParams.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.POINTER(MotorParams)]

    check(ctypes.sizeof(MotorStageState) == 24, "MotorStageState is 24 bytes")
    check(ctypes.sizeof(MotorParams) == 168, "MotorParams is 168 bytes")

    ids = (ctypes.c_int * 4)()
    check(lib.listKXMotorControlerDevices(ids, 4) == 1 and ids[0] == DEVICE, "one controller with id 14")
    check(lib.addDev(DEVICE) == 0, "addDev")
    check(lib.openKXDevice(DEVICE) == 0, "openKXDevice")
    try:
        axis = 0
        check(lib.setSpeed(DEVICE, axis, 20.0) == 0, "setSpeed")
        check(lib.setAcceleration(DEVICE, axis, 200.0) == 0, "setAcceleration")
        check(lib.setTargetPos(DEVICE, axis, 1.5) == 0, "setTargetPos")
        check(lib.startMove(DEVICE, axis) == 0, "startMove")
        state = MotorStageState()
        deadline = time.monotonic() + 5.0
        status = ctypes.c_int(-9)
        while True:
            check(lib.getRuningState(DEVICE, axis, ctypes.byref(state)) == 0, "getRuningState")
            position = lib.getCurrentPos(DEVICE, axis, ctypes.byref(status))
            check(status.value == 0, "getCurrentPos status")
            if state.isStop and abs(position - 1.5) < 1e-6:
                break
            check(time.monotonic() < deadline, "move ends at its target, last position %f" % position)
            time.sleep(0.05)
        check(state.isEnable == 1 and state.isCanRun == 1, "an idle enabled axis can run")

        params = MotorParams()
        check(lib.getMotorParams(DEVICE, axis, ctypes.byref(params)) == 0, "getMotorParams")
        params.serialNumber = b"PY-0042"
        params.maxSpeed = 12.5
        params.returnTrip = 7
        check(lib.setMotorParams(DEVICE, axis, params) == 0, "setMotorParams")
        back = MotorParams()
        check(lib.getMotorParams(DEVICE, axis, ctypes.byref(back)) == 0, "getMotorParams again")
        check(back.serialNumber == b"PY-0042", "serial number round trip")
        check(back.maxSpeed == 12.5 and back.returnTrip == 7, "numeric fields round trip")
        check(back.modelName == params.modelName, "untouched fields kept")
    finally:
        lib.closeKXDevice(DEVICE)
        lib.removeDev(DEVICE)
    print("python ctypes host OK")


if __name__ == "__main__":
    main()
