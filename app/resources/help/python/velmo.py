"""Python interface of velmoLibrary, the host library of velmo stepper-motor
controllers.

Two layers, standard library only (ctypes), Python 3.9 or later:

* The raw layer: every export of velmoLibrary under its C name, with its
  argument and result types declared, e.g. ``velmo.lib.getSpeed(14, 0)`` or
  ``velmo.getSpeed(14, 0)``. Results are the library's plain codes.
* The Pythonic layer: ``list_controllers()``, ``Controller`` (a context
  manager: registered and opened on entry, closed and unregistered on exit)
  and ``Axis``. Getters return values, setters and commands raise a
  ``VelmoError`` subclass on failure, texts are ``str``.

``WRAPPERS`` maps every C name to its place in the Pythonic layer.

The library is looked up in this order: the path in the environment variable
VELMO_LIBRARY; libvelmoLibrary.so (velmoLibrary.dll on Windows) beside this
module; the system's library search (LD_LIBRARY_PATH, the loader cache, PATH
on Windows).

Threads: any thread may call, but only one call per controller at a time.
A Controller serialises its own calls (and those of its axes) with a lock that
it shares with every other Controller object of the same device id; calls
through the raw layer are the caller's to serialise.
"""

import ctypes
import ctypes.util
import dataclasses
import enum
import os
import sys
import threading
import time
from typing import Dict, Iterable, List, Optional, Sequence, Tuple, Union

__version__ = "1.0.0"

# --------------------------------------------------------------------- records


class MotorStageState(ctypes.Structure):
    """Running state of one axis (getRuningState). Flags hold 0 or 1."""

    _fields_ = [
        ("isCanRun", ctypes.c_uint16),
        ("isStop", ctypes.c_uint16),
        ("isEnable", ctypes.c_uint16),
        ("isHome", ctypes.c_uint16),
        ("isLeftLimit", ctypes.c_uint16),
        ("isRightLimit", ctypes.c_uint16),
        ("isNegLimitFault", ctypes.c_uint16),
        ("isPosLimitFault", ctypes.c_uint16),
        ("isHomeFault", ctypes.c_uint16),
        ("currentJog", ctypes.c_int32),
    ]


class CONTROLER_STATE(ctypes.Structure):
    """Joystick record of a controller (getRockerInfo)."""

    _fields_ = [
        ("rockerEnabled", ctypes.c_uint8),
        ("reserved", ctypes.c_uint8),
        ("rockerSpeed", ctypes.c_uint16),
    ]


class PosConpenPoint(ctypes.Structure):
    """One position-compensation point."""

    _fields_ = [
        ("expectPos", ctypes.c_double),
        ("actualPos", ctypes.c_double),
    ]


TEXT_FIELD_SIZE = 32
COMPENSATION_POINTS = 10


def _encode_text(text: Union[str, bytes], size: int) -> bytes:
    data = text.encode("utf-8") if isinstance(text, str) else bytes(text)
    if len(data) > size:
        raise ValueError("text of %d bytes, at most %d fit: %r" % (len(data), size, text))
    return data


def _decode_text(data: bytes) -> str:
    # Fields are not terminated when every byte is used.
    return data.split(b"\0", 1)[0].decode("utf-8", errors="replace")


class MotorParams(ctypes.Structure):
    """Motor parameter block of one axis, as kept on the stage's ID chip.

    The text fields (modelName, serialNumber, optOrder) are byte arrays as in
    C; ``text(name)``, ``as_dict()`` and ``update()`` convert them from and
    to ``str``.
    """

    _fields_ = [
        ("modelName", ctypes.c_char * 32),
        ("serialNumber", ctypes.c_char * 32),
        ("pulse", ctypes.c_uint32),
        ("helicalPitch", ctypes.c_double),
        ("restoreSpeed", ctypes.c_double),
        ("motorType", ctypes.c_int16),
        ("pLimitPolarity", ctypes.c_int16),
        ("nLimitPolarity", ctypes.c_int16),
        ("zeroPolarity", ctypes.c_int16),
        ("direction", ctypes.c_int16),
        ("limitDirection", ctypes.c_int16),
        ("unitType", ctypes.c_int16),
        ("optOrder", ctypes.c_char * 10),
        ("maxSpeed", ctypes.c_double),
        ("maxAcc", ctypes.c_double),
        ("minPos", ctypes.c_double),
        ("maxPos", ctypes.c_double),
        ("zoptWidth", ctypes.c_int16),
        ("optNum", ctypes.c_int16),
        ("returnTrip", ctypes.c_int16),
        ("motorPhase", ctypes.c_int16),
        ("modifyDate", ctypes.c_uint32),
        ("maxRockerSpeed", ctypes.c_double),
    ]

    TEXT_FIELDS = ("modelName", "serialNumber", "optOrder")
    # The 23 fields in the order the library transfers them (step 1 .. 23).
    FIELD_ORDER = tuple(name for name, _ in _fields_)

    def text(self, name: str) -> str:
        """A text field as str, up to its first zero byte."""
        if name not in self.TEXT_FIELDS:
            raise KeyError("%s is not a text field" % name)
        field = getattr(type(self), name)
        return _decode_text(ctypes.string_at(ctypes.addressof(self) + field.offset, field.size))

    def update(self, **values) -> "MotorParams":
        """Sets fields by name (texts as str or bytes); returns self."""
        for name, value in values.items():
            if name not in self.FIELD_ORDER:
                raise KeyError("MotorParams has no field %s" % name)
            if name in self.TEXT_FIELDS:
                data = _encode_text(value, getattr(type(self), name).size)
                field = getattr(type(self), name)
                ctypes.memset(ctypes.addressof(self) + field.offset, 0, field.size)
                ctypes.memmove(ctypes.addressof(self) + field.offset, data, len(data))
            else:
                setattr(self, name, value)
        return self

    def as_dict(self) -> Dict[str, Union[str, int, float]]:
        """Every field by name, in transfer order, texts as str."""
        return {name: self.text(name) if name in self.TEXT_FIELDS else getattr(self, name)
                for name in self.FIELD_ORDER}

    def copy(self) -> "MotorParams":
        return MotorParams.from_buffer_copy(self)

    def __eq__(self, other):
        if not isinstance(other, MotorParams):
            return NotImplemented
        # Field by field: the padding bytes carry no value.
        return all(getattr(self, name) == getattr(other, name) for name in self.FIELD_ORDER)

    def __repr__(self):
        return "MotorParams(%s)" % ", ".join("%s=%r" % item for item in self.as_dict().items())


# The records belong to the library's binary interface.
for _record, _size in ((MotorStageState, 24), (CONTROLER_STATE, 4), (PosConpenPoint, 16), (MotorParams, 168)):
    if ctypes.sizeof(_record) != _size:
        raise ImportError("%s is %d bytes, the library expects %d"
                          % (_record.__name__, ctypes.sizeof(_record), _size))
if MotorParams.maxRockerSpeed.offset != 160 or MotorParams.optOrder.offset != 102:
    raise ImportError("MotorParams layout differs from the library's")

# ------------------------------------------------------------ result codes


class ResultCode(enum.IntEnum):
    """Result codes shared by the exports."""

    OK = 0
    NOT_SENT = -1          # unknown or closed id, incomplete write
    NO_VALID_REPLY = -2    # no reply within 200 ms, refused, wrong length, bad checksum
    BUFFER_TOO_SMALL = -3  # caller buffer too small or null
    NULL_RECORD = -100     # null record pointer, nothing sent


class Direction(enum.IntEnum):
    """Direction of jogs, drives and cycles."""

    POSITIVE = 1
    NEGATIVE = 2


# getMotorAutoDetect's code for a stage with a programmed ID chip.
DETECTED_ID_CHIP = 2

# setMotorParams / getMotorParams: the closing step after the 23 fields.
MOTOR_PARAMS_CLOSE_STEP = 24
_MOTOR_PARAMS_CLOSE_NOT_SENT = -60
_MOTOR_PARAMS_CLOSE_NO_REPLY = -61


class VelmoError(Exception):
    """A call into velmoLibrary failed. ``code`` is the library's result,
    ``function`` the C name of the export that returned it."""

    def __init__(self, code: int, function: str, message: Optional[str] = None):
        self.code = int(code)
        self.function = function
        super().__init__(message or "%s failed with %d" % (function, self.code))


class NotSentError(VelmoError):
    """-1: the request was not sent (unknown or closed id, incomplete write)."""


class NoValidReplyError(VelmoError):
    """-2: no valid reply (none within 200 ms, refused, wrong length or checksum)."""


class BufferTooSmallError(VelmoError):
    """-3: the caller's buffer was too small or null."""


class NullRecordError(VelmoError):
    """-100: a null record pointer was passed; nothing was sent."""


class OpenError(VelmoError):
    """openKXDevice -1: the controller failed to open (not on the bus, busy)."""


class NotRegisteredError(VelmoError):
    """openKXDevice -2: the device id was not registered with addDev."""


class NotOpenError(VelmoError):
    """closeKXDevice -1: the id has no open channel."""


class MotorParamsError(VelmoError):
    """The motor parameter block stopped at a failing step.

    ``step`` is 1 (modelName) .. 23 (maxRockerSpeed), or 24 for the closing
    step of setMotorParams; ``field`` names the step's field ("close" for 24).
    """

    def __init__(self, code: int, function: str):
        code = int(code)
        if code in (_MOTOR_PARAMS_CLOSE_NOT_SENT, _MOTOR_PARAMS_CLOSE_NO_REPLY):
            self.step = MOTOR_PARAMS_CLOSE_STEP
            self.field = "close"
            self.sent = code == _MOTOR_PARAMS_CLOSE_NO_REPLY
        else:
            # Field k reports -(2k-1) when not sent and -2k without a valid reply.
            self.step = (-code + 1) // 2
            self.field = MotorParams.FIELD_ORDER[self.step - 1]
            self.sent = code % 2 == 0
        what = "got no valid reply" if self.sent else "was not sent"
        super().__init__(code, function, "%s: step %d (%s) %s (%d)" % (function, self.step, self.field, what, code))


class MotorParamsNotSentError(MotorParamsError, NotSentError):
    """A step of the motor parameter block was not sent: -(2k-1), or -60 at the close."""


class MotorParamsNoReplyError(MotorParamsError, NoValidReplyError):
    """A step of the motor parameter block got no valid reply: -2k, or -61 at the close."""


_ERRORS_BY_CODE = {
    ResultCode.NOT_SENT: NotSentError,
    ResultCode.NO_VALID_REPLY: NoValidReplyError,
    ResultCode.BUFFER_TOO_SMALL: BufferTooSmallError,
    ResultCode.NULL_RECORD: NullRecordError,
}

_MOTOR_PARAMS_FUNCTIONS = ("setMotorParams", "getMotorParams")


def error_for(code: int, function: str) -> VelmoError:
    """The exception for a failed export's result code."""
    code = int(code)
    if function == "openKXDevice" and code in (-1, -2):
        return (OpenError if code == -1 else NotRegisteredError)(
            code, function, "openKXDevice: " + ("the controller failed to open" if code == -1
                                                 else "the id is not registered"))
    if function == "closeKXDevice" and code == -1:
        return NotOpenError(code, function, "closeKXDevice: the id has no open channel")
    if function in _MOTOR_PARAMS_FUNCTIONS and code != ResultCode.NULL_RECORD:
        last_step_code = -2 * len(MotorParams.FIELD_ORDER)
        if last_step_code <= code < 0:
            return (MotorParamsNotSentError if code % 2 else MotorParamsNoReplyError)(code, function)
        if code == _MOTOR_PARAMS_CLOSE_NOT_SENT and function == "setMotorParams":
            return MotorParamsNotSentError(code, function)
        if code == _MOTOR_PARAMS_CLOSE_NO_REPLY and function == "setMotorParams":
            return MotorParamsNoReplyError(code, function)
    error_class = _ERRORS_BY_CODE.get(code, VelmoError)
    return error_class(code, function)


def _check(code: int, function: str) -> None:
    if code != 0:
        raise error_for(code, function)


# ---------------------------------------------------------------- raw layer

_c_int = ctypes.c_int
_c_double = ctypes.c_double
_int_p = ctypes.POINTER(ctypes.c_int)
_char_p = ctypes.POINTER(ctypes.c_char)   # caller-owned output bytes
_text = ctypes.c_char_p                   # input text (bytes)
_points_p = ctypes.POINTER(PosConpenPoint)

# C name -> (result type, argument types), for every export of velmoLibrary.h.
PROTOTYPES = {
    # lifecycle and registry
    "libraryInit": (_c_int, []),
    "libraryDeInit": (None, []),
    "listKXMotorControlerDevices": (_c_int, [_int_p, _c_int]),
    "addDev": (_c_int, [_c_int]),
    "openKXDevice": (_c_int, [_c_int]),
    "closeKXDevice": (_c_int, [_c_int]),
    "removeDev": (_c_int, [_c_int]),
    # motion and axis state
    "startMove": (_c_int, [_c_int, _c_int]),
    "stopRuning": (_c_int, [_c_int, _c_int]),
    "home": (_c_int, [_c_int, _c_int]),
    "startJog": (_c_int, [_c_int, _c_int, _c_int]),
    "startDrive": (_c_int, [_c_int, _c_int, _c_int]),
    "startCircle": (_c_int, [_c_int, _c_int, _c_int]),
    "setMotorEnable": (_c_int, [_c_int, _c_int, _c_int]),
    "setTargetPos": (_c_int, [_c_int, _c_int, _c_double]),
    "getTargetPos": (_c_double, [_c_int, _c_int, _char_p]),
    "getCurrentPos": (_c_double, [_c_int, _c_int, _int_p]),
    "getRuningState": (_c_int, [_c_int, _c_int, ctypes.POINTER(MotorStageState)]),
    "getJogIndex": (_c_int, [_c_int, _c_int]),
    "getCircleIndex": (_c_int, [_c_int, _c_int]),
    # axis parameters
    "setSpeed": (_c_int, [_c_int, _c_int, _c_double]),
    "getSpeed": (_c_double, [_c_int, _c_int]),
    "setAcceleration": (_c_int, [_c_int, _c_int, _c_double]),
    "getAcceleration": (_c_double, [_c_int, _c_int]),
    "setRelativeDisp": (_c_int, [_c_int, _c_int, _c_double]),
    "getRelativeDisp": (_c_double, [_c_int, _c_int]),
    "setRelativeDispEnable": (_c_int, [_c_int, _c_int, _c_int]),
    "getRelativeDispEnable": (_c_int, [_c_int, _c_int]),
    "setJogStep": (_c_int, [_c_int, _c_int, _c_double]),
    "getJogStep": (_c_double, [_c_int, _c_int]),
    "setJogDelay": (_c_int, [_c_int, _c_int, _c_int]),
    "getJogDelay": (_c_int, [_c_int, _c_int]),
    "setJogCount": (_c_int, [_c_int, _c_int, _c_int]),
    "getJogCount": (_c_int, [_c_int, _c_int]),
    "setCircleDisp": (_c_int, [_c_int, _c_int, _c_double]),
    "getCircleDisp": (_c_double, [_c_int, _c_int]),
    "setCircleCount": (_c_int, [_c_int, _c_int, _c_int]),
    "getCircleCount": (_c_int, [_c_int, _c_int]),
    "setCircleDelay": (_c_int, [_c_int, _c_int, _c_int]),
    "getCircleDelay": (_c_int, [_c_int, _c_int]),
    "setTriggerInEnable": (_c_int, [_c_int, _c_int, _c_int]),
    "getTriggerInEnable": (_c_int, [_c_int, _c_int]),
    "setTriggerOutEnable": (_c_int, [_c_int, _c_int, _c_int]),
    "getTriggerOutEnable": (_c_int, [_c_int, _c_int]),
    "setTriggerStep": (_c_int, [_c_int, _c_int, _c_double]),
    "getTriggerStep": (_c_double, [_c_int, _c_int, _int_p]),
    "setMotorUnitType": (_c_int, [_c_int, _c_int, _c_int]),
    "getMotorUnitType": (_c_int, [_c_int, _c_int]),
    "setPosConpenEnable": (_c_int, [_c_int, _c_int, _c_int]),
    "getPosConpenEnable": (_c_int, [_c_int, _c_int, ctypes.POINTER(ctypes.c_short)]),
    "setPositivePosConpen": (_c_int, [_c_int, _c_int, _points_p, _c_int]),
    "setNegativePosConpen": (_c_int, [_c_int, _c_int, _points_p, _c_int]),
    "getPositivePosConpen": (_c_int, [_c_int, _c_int, _points_p, _int_p]),
    "getNegativePosConpen": (_c_int, [_c_int, _c_int, _points_p, _int_p]),
    "setMotorSerialNumber": (_c_int, [_c_int, _c_int, _text, _c_int]),
    "getMotorSerialNumber": (_c_int, [_c_int, _c_int, _char_p, _c_int]),
    "setMotorModelName": (_c_int, [_c_int, _c_int, _text, _c_int]),
    "getMotorModelName": (_c_int, [_c_int, _c_int, _char_p, _c_int]),
    # controller settings
    "setDevModelName": (_c_int, [_c_int, _text, _c_int]),
    "getDevModelName": (_c_int, [_c_int, _char_p, _c_int]),
    "setDeviceName": (_c_int, [_c_int, _text, _c_int]),
    "setDevSerialNumber": (_c_int, [_c_int, _text, _c_int]),
    "getDevSerialNumber": (_c_int, [_c_int, _char_p, _c_int]),
    "getDevSoftVersion": (_c_int, [_c_int, _char_p, _c_int]),
    "setDevAxisCount": (_c_int, [_c_int, _c_int]),
    "getDevAxisCount": (_c_int, [_c_int]),
    "setRockerEnable": (_c_int, [_c_int, _c_int]),
    "getRockerEnable": (_c_int, [_c_int]),
    "getRockerSpeed": (_c_int, [_c_int]),
    "getRockerInfo": (_c_int, [_c_int, ctypes.POINTER(CONTROLER_STATE)]),
    # motor parameter block, ID chip
    "setMotorParams": (_c_int, [_c_int, _c_int, MotorParams]),
    "getMotorParams": (_c_int, [_c_int, _c_int, ctypes.POINTER(MotorParams)]),
    "getMotorAutoDetect": (_c_int, [_c_int, _c_int, _char_p]),
    "setClearIDChip": (_c_int, [_c_int, _c_int]),
}


class LibraryNotFoundError(OSError):
    """velmoLibrary could not be loaded, or lacks an export this module needs."""


def _library_candidates() -> List[str]:
    explicit = os.environ.get("VELMO_LIBRARY")
    if explicit:
        return [explicit]  # an explicit choice is not second-guessed
    if sys.platform == "win32":
        file_name = "velmoLibrary.dll"
    elif sys.platform == "darwin":
        file_name = "libvelmoLibrary.dylib"
    else:
        file_name = "libvelmoLibrary.so"
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), file_name)
    candidates = [beside] if os.path.exists(beside) else []
    candidates.append(file_name)
    if sys.platform.startswith("linux"):
        candidates.append(file_name + ".1")  # runtime package without the development link
    found = ctypes.util.find_library("velmoLibrary")
    if found and found not in candidates:
        candidates.append(found)
    return candidates


def load_library(path: Optional[str] = None) -> ctypes.CDLL:
    """Loads velmoLibrary (from `path`, else the usual places) and declares
    the types of every export. The module keeps the first library loaded."""
    global _loaded
    with _load_lock:
        if _loaded is not None and path is None:
            return _loaded
        failures = []
        library = None
        for candidate in ([path] if path else _library_candidates()):
            try:
                # The exports are __cdecl on Windows, so CDLL there too.
                library = ctypes.CDLL(candidate)
                break
            except OSError as error:
                failures.append("%s: %s" % (candidate, error))
        if library is None:
            raise LibraryNotFoundError("velmoLibrary not found; set VELMO_LIBRARY to its path. Tried: "
                                       + "; ".join(failures))
        missing = [name for name in PROTOTYPES if not hasattr(library, name)]
        if missing:
            raise LibraryNotFoundError("%s lacks the exports %s (an older library?)"
                                       % (library._name, ", ".join(missing)))
        for name, (restype, argtypes) in PROTOTYPES.items():
            function = getattr(library, name)
            function.restype = restype
            function.argtypes = argtypes
        if _loaded is None:
            _loaded = library
        return library


_loaded: Optional[ctypes.CDLL] = None
_load_lock = threading.Lock()


def __getattr__(name):
    # velmo.lib and velmo.<C name> load the library on first use.
    if name == "lib":
        return load_library()
    if name in PROTOTYPES:
        return getattr(load_library(), name)
    raise AttributeError("module %r has no attribute %r" % (__name__, name))


def _lib() -> ctypes.CDLL:
    return _loaded if _loaded is not None else load_library()


# ------------------------------------------------------------- Pythonic layer


@dataclasses.dataclass(frozen=True)
class AxisState:
    """Running state of an axis (from MotorStageState)."""

    can_run: bool
    stopped: bool
    enabled: bool
    homed: bool
    negative_limit: bool
    positive_limit: bool
    negative_limit_fault: bool
    positive_limit_fault: bool
    home_fault: bool
    current_jog: int

    @classmethod
    def from_record(cls, record: MotorStageState) -> "AxisState":
        return cls(bool(record.isCanRun), bool(record.isStop), bool(record.isEnable), bool(record.isHome),
                   bool(record.isLeftLimit), bool(record.isRightLimit), bool(record.isNegLimitFault),
                   bool(record.isPosLimitFault), bool(record.isHomeFault), int(record.currentJog))


@dataclasses.dataclass(frozen=True)
class RockerInfo:
    """Joystick state of a controller (from CONTROLER_STATE)."""

    enabled: bool
    speed: int


CompensationPoint = Tuple[float, float]  # (expected position, actual position)


def library_init() -> int:
    """libraryInit: gives a host without a Qt application the application
    object the library needs. Not required from Python; returns 0."""
    return _lib().libraryInit()


def library_deinit() -> None:
    """libraryDeInit: deletes the application object made by library_init."""
    _lib().libraryDeInit()


def list_controllers() -> List[int]:
    """Device ids of the controllers on the bus."""
    capacity = 16
    while True:
        ids = (ctypes.c_int * capacity)()
        found = _lib().listKXMotorControlerDevices(ids, capacity)
        if found <= capacity:
            return list(ids[:max(found, 0)])
        capacity = found  # more appeared than fit: ask again with room for all


_device_locks: Dict[int, threading.RLock] = {}
_device_locks_guard = threading.Lock()


def _device_lock(device_id: int) -> threading.RLock:
    with _device_locks_guard:
        return _device_locks.setdefault(device_id, threading.RLock())


class Controller:
    """One controller by device id.

    ``with Controller(14) as controller:`` registers and opens it and closes
    and unregisters it on exit; ``open()`` / ``close()`` do the same by hand.
    """

    def __init__(self, device_id: int):
        self.device_id = int(device_id)
        self._lock = _device_lock(self.device_id)
        self._open = False

    def __repr__(self):
        return "Controller(%d%s)" % (self.device_id, ", open" if self._open else "")

    def __enter__(self) -> "Controller":
        self.open()
        return self

    def __exit__(self, *exc_info) -> None:
        self.close()

    @property
    def is_open(self) -> bool:
        """Whether this object opened the controller and has not closed it."""
        return self._open

    def _call(self, function: str, *args):
        with self._lock:
            return getattr(_lib(), function)(self.device_id, *args)

    def _command(self, function: str, *args) -> None:
        _check(self._call(function, *args), function)

    # registry

    def add(self) -> None:
        """addDev: registers the id (closed)."""
        self._command("addDev")
        self._open = False

    def open(self) -> None:
        """addDev + openKXDevice. Raises OpenError when the controller does not open."""
        with self._lock:
            self.add()
            try:
                self._command("openKXDevice")
            except VelmoError:
                self._call("removeDev")  # leave no registration behind
                raise
            self._open = True

    def close(self, keep_registered: bool = False) -> None:
        """closeKXDevice (when open) and removeDev (unless keep_registered).
        Closing a closed controller does nothing."""
        with self._lock:
            if self._open:
                self._open = False
                # Its only failure is "no open channel" (closed elsewhere):
                # nothing left to close, so carry on with the removal.
                self._call("closeKXDevice")
            if not keep_registered:
                self.remove()

    def remove(self) -> bool:
        """removeDev: closes the id if open and unregisters it; whether it was registered."""
        with self._lock:
            self._open = False
            return self._call("removeDev") > 0

    # identity

    def _read_text(self, function: str, *args) -> str:
        buffer = ctypes.create_string_buffer(TEXT_FIELD_SIZE)
        self._command(function, *args, buffer, TEXT_FIELD_SIZE)
        return _decode_text(buffer.raw)

    def _write_text(self, function: str, text: Union[str, bytes], *args) -> None:
        data = _encode_text(text, TEXT_FIELD_SIZE)
        self._command(function, *args, data, len(data))

    @property
    def model_name(self) -> str:
        """Controller model name (getDevModelName / setDevModelName)."""
        return self._read_text("getDevModelName")

    @model_name.setter
    def model_name(self, text: str) -> None:
        self._write_text("setDevModelName", text)

    def set_device_name(self, text: str) -> None:
        """setDeviceName: the controller name (the same field as the model
        name, for controllers whose reply to it carries two bytes)."""
        self._write_text("setDeviceName", text)

    @property
    def serial_number(self) -> str:
        """Controller serial number (getDevSerialNumber / setDevSerialNumber)."""
        return self._read_text("getDevSerialNumber")

    @serial_number.setter
    def serial_number(self, text: str) -> None:
        self._write_text("setDevSerialNumber", text)

    @property
    def firmware_version(self) -> str:
        """Firmware version text (getDevSoftVersion)."""
        return self._read_text("getDevSoftVersion")

    def _read_value(self, function: str, *args) -> int:
        value = self._call(function, *args)
        if value in (ResultCode.NOT_SENT, ResultCode.NO_VALID_REPLY):
            raise error_for(value, function)
        return value

    @property
    def axis_count(self) -> int:
        """Number of axes (getDevAxisCount / setDevAxisCount, 1..16)."""
        return self._read_value("getDevAxisCount")

    @axis_count.setter
    def axis_count(self, count: int) -> None:
        self._command("setDevAxisCount", int(count))

    @property
    def rocker_enabled(self) -> bool:
        """Joystick enable (getRockerEnable / setRockerEnable)."""
        return self._read_value("getRockerEnable") == 1

    @rocker_enabled.setter
    def rocker_enabled(self, enabled: bool) -> None:
        self._command("setRockerEnable", 1 if enabled else 0)

    @property
    def rocker_speed(self) -> int:
        """Joystick speed level (getRockerSpeed)."""
        return self._read_value("getRockerSpeed")

    def rocker_info(self) -> RockerInfo:
        """getRockerInfo: joystick enable and speed in one call."""
        record = CONTROLER_STATE()
        self._command("getRockerInfo", ctypes.byref(record))
        return RockerInfo(bool(record.rockerEnabled), int(record.rockerSpeed))

    # axes

    def axis(self, number: int) -> "Axis":
        """Axis `number` (zero-based) of this controller."""
        return Axis(self, number)

    def axes(self) -> List["Axis"]:
        """Every axis the controller reports."""
        return [Axis(self, number) for number in range(self.axis_count)]


class Axis:
    """One axis of a controller. Positions, speeds and accelerations are in
    the axis's own unit (mm or degrees)."""

    def __init__(self, controller: Controller, number: int):
        if int(number) < 0:
            raise ValueError("axis numbers start at 0, not %d" % number)
        self.controller = controller
        self.number = int(number)

    def __repr__(self):
        return "Axis(%d, %d)" % (self.controller.device_id, self.number)

    def _call(self, function: str, *args):
        return self.controller._call(function, self.number, *args)

    def _command(self, function: str, *args) -> None:
        _check(self._call(function, *args), function)

    def _read_int(self, function: str) -> int:
        value = self._call(function)
        if value in (ResultCode.NOT_SENT, ResultCode.NO_VALID_REPLY):
            raise error_for(value, function)
        return value

    def _read_double(self, function: str) -> float:
        value = self._call(function)
        if value in (-1.0, -2.0):
            raise error_for(int(value), function)
        return value

    # motion

    def start_move(self) -> None:
        """startMove: to the target position, or by the relative displacement in relative mode."""
        self._command("startMove")

    def move_to(self, position: float) -> None:
        """setTargetPos + startMove (relative mode must be off)."""
        with self.controller._lock:
            self.target_position = position
            self.start_move()

    def stop(self) -> None:
        """stopRuning: stops any motion of the axis."""
        self._command("stopRuning")

    def home(self) -> None:
        """home: starts homing."""
        self._command("home")

    def start_jog(self, direction: Direction = Direction.POSITIVE) -> None:
        """startJog: jog_count steps of jog_step with jog_delay ms between them."""
        self._command("startJog", int(Direction(direction)))

    def start_drive(self, direction: Direction = Direction.POSITIVE) -> None:
        """startDrive: drives until stopped (by the relative displacement in relative mode)."""
        self._command("startDrive", int(Direction(direction)))

    def start_circle(self, direction: Direction = Direction.POSITIVE) -> None:
        """startCircle: circle_count out-and-back strokes of circle_disp."""
        self._command("startCircle", int(Direction(direction)))

    @property
    def enabled(self) -> bool:
        """Motor enable: read from the running state, written with setMotorEnable."""
        return self.state().enabled

    @enabled.setter
    def enabled(self, enable: bool) -> None:
        self._command("setMotorEnable", 1 if enable else 0)

    @property
    def target_position(self) -> float:
        """Target of the next absolute move (getTargetPos / setTargetPos)."""
        ok = ctypes.c_char(b"\0")
        value = self._call("getTargetPos", ctypes.byref(ok))
        if ok.value != b"\x01":
            raise error_for(int(value), "getTargetPos")
        return value

    @target_position.setter
    def target_position(self, position: float) -> None:
        self._command("setTargetPos", float(position))

    @property
    def position(self) -> float:
        """Current position (getCurrentPos)."""
        status = ctypes.c_int(0)
        value = self._call("getCurrentPos", ctypes.byref(status))
        _check(status.value, "getCurrentPos")
        return value

    def state(self) -> AxisState:
        """getRuningState: the axis's running state."""
        record = MotorStageState()
        self._command("getRuningState", ctypes.byref(record))
        return AxisState.from_record(record)

    def wait_until_stopped(self, timeout: float = 60.0, interval: float = 0.05) -> AxisState:
        """Polls the running state until the axis stops; TimeoutError after `timeout` s."""
        deadline = time.monotonic() + timeout
        while True:
            state = self.state()
            if state.stopped:
                return state
            if time.monotonic() >= deadline:
                raise TimeoutError("%r still moving after %.1f s" % (self, timeout))
            time.sleep(interval)

    @property
    def jog_index(self) -> int:
        """Current jog step, 0 when no jog runs (getJogIndex)."""
        return self._read_int("getJogIndex")

    @property
    def circle_index(self) -> int:
        """Current cycle, 0 when no cycle runs (getCircleIndex)."""
        return self._read_int("getCircleIndex")

    # parameters

    @property
    def speed(self) -> float:
        """Motion speed (getSpeed / setSpeed)."""
        return self._read_double("getSpeed")

    @speed.setter
    def speed(self, value: float) -> None:
        self._command("setSpeed", float(value))

    @property
    def acceleration(self) -> float:
        """Motion acceleration (getAcceleration / setAcceleration)."""
        return self._read_double("getAcceleration")

    @acceleration.setter
    def acceleration(self, value: float) -> None:
        self._command("setAcceleration", float(value))

    @property
    def relative_disp(self) -> float:
        """Displacement of a move in relative mode (getRelativeDisp / setRelativeDisp)."""
        with self.controller._lock:
            value = self._call("getRelativeDisp")
            if value not in (-1.0, -2.0):
                return value
            # A genuine displacement of -1 or -2 looks like a failure: ask the
            # controller something that reports its status, then read again.
            ok = ctypes.c_char(b"\0")
            self._call("getTargetPos", ctypes.byref(ok))
            again = self._call("getRelativeDisp")
            if ok.value == b"\x01" and (again == value or again not in (-1.0, -2.0)):
                return again
            raise error_for(int(value), "getRelativeDisp")

    @relative_disp.setter
    def relative_disp(self, value: float) -> None:
        self._command("setRelativeDisp", float(value))

    @property
    def relative_mode(self) -> bool:
        """Relative mode on or off (getRelativeDispEnable / setRelativeDispEnable)."""
        return self._read_int("getRelativeDispEnable") != 0

    @relative_mode.setter
    def relative_mode(self, on: bool) -> None:
        self._command("setRelativeDispEnable", 1 if on else 0)

    @property
    def jog_step(self) -> float:
        """Displacement of one jog step (getJogStep / setJogStep)."""
        return self._read_double("getJogStep")

    @jog_step.setter
    def jog_step(self, value: float) -> None:
        self._command("setJogStep", float(value))

    @property
    def jog_delay(self) -> int:
        """Pause between jog steps in ms (getJogDelay / setJogDelay)."""
        return self._read_int("getJogDelay")

    @jog_delay.setter
    def jog_delay(self, value: int) -> None:
        self._command("setJogDelay", int(value))

    @property
    def jog_count(self) -> int:
        """Number of jog steps (getJogCount / setJogCount)."""
        return self._read_int("getJogCount")

    @jog_count.setter
    def jog_count(self, value: int) -> None:
        self._command("setJogCount", int(value))

    @property
    def circle_disp(self) -> float:
        """Displacement of one cycle (getCircleDisp / setCircleDisp)."""
        return self._read_double("getCircleDisp")

    @circle_disp.setter
    def circle_disp(self, value: float) -> None:
        self._command("setCircleDisp", float(value))

    @property
    def circle_count(self) -> int:
        """Number of cycles (getCircleCount / setCircleCount)."""
        return self._read_int("getCircleCount")

    @circle_count.setter
    def circle_count(self, value: int) -> None:
        self._command("setCircleCount", int(value))

    @property
    def circle_delay(self) -> int:
        """Pause between cycles in ms (getCircleDelay / setCircleDelay)."""
        return self._read_int("getCircleDelay")

    @circle_delay.setter
    def circle_delay(self, value: int) -> None:
        self._command("setCircleDelay", int(value))

    @property
    def trigger_in_enable(self) -> int:
        """Trigger input enable, a 16-bit value (getTriggerInEnable / setTriggerInEnable)."""
        return self._read_int("getTriggerInEnable")

    @trigger_in_enable.setter
    def trigger_in_enable(self, value: int) -> None:
        self._command("setTriggerInEnable", int(value))

    @property
    def trigger_out_enable(self) -> int:
        """Trigger output enable, a 16-bit value (getTriggerOutEnable / setTriggerOutEnable)."""
        return self._read_int("getTriggerOutEnable")

    @trigger_out_enable.setter
    def trigger_out_enable(self, value: int) -> None:
        self._command("setTriggerOutEnable", int(value))

    @property
    def trigger_step(self) -> float:
        """Trigger step (getTriggerStep / setTriggerStep)."""
        status = ctypes.c_int(0)  # left alone on success
        value = self._call("getTriggerStep", ctypes.byref(status))
        _check(status.value, "getTriggerStep")
        return value

    @trigger_step.setter
    def trigger_step(self, value: float) -> None:
        self._command("setTriggerStep", float(value))

    @property
    def unit_type(self) -> int:
        """Unit type index of the axis (getMotorUnitType / setMotorUnitType)."""
        return self._read_int("getMotorUnitType")

    @unit_type.setter
    def unit_type(self, value: int) -> None:
        self._command("setMotorUnitType", int(value))

    # position compensation

    @property
    def compensation_enabled(self) -> bool:
        """Position compensation on or off (getPosConpenEnable / setPosConpenEnable)."""
        value = ctypes.c_short(0)
        self._command("getPosConpenEnable", ctypes.byref(value))
        return value.value != 0

    @compensation_enabled.setter
    def compensation_enabled(self, on: bool) -> None:
        self._command("setPosConpenEnable", 1 if on else 0)

    def _read_table(self, function: str) -> List[CompensationPoint]:
        points = (PosConpenPoint * COMPENSATION_POINTS)()
        count = ctypes.c_int(0)
        self._command(function, points, ctypes.byref(count))
        return [(point.expectPos, point.actualPos) for point in points[:min(count.value, COMPENSATION_POINTS)]]

    def _write_table(self, function: str, table: Iterable[Union[CompensationPoint, PosConpenPoint]]) -> None:
        table = list(table)
        if len(table) > COMPENSATION_POINTS:
            raise ValueError("a compensation table holds at most %d points, not %d"
                             % (COMPENSATION_POINTS, len(table)))
        points = (PosConpenPoint * COMPENSATION_POINTS)()  # unused points stay zero
        for slot, point in zip(points, table):
            if isinstance(point, PosConpenPoint):
                slot.expectPos, slot.actualPos = point.expectPos, point.actualPos
            else:
                slot.expectPos, slot.actualPos = (float(value) for value in point)
        self._command(function, points, len(table))

    @property
    def positive_compensation(self) -> List[CompensationPoint]:
        """Compensation table of the positive direction, (expected, actual) pairs, at most 10."""
        return self._read_table("getPositivePosConpen")

    @positive_compensation.setter
    def positive_compensation(self, table: Sequence[CompensationPoint]) -> None:
        self._write_table("setPositivePosConpen", table)

    @property
    def negative_compensation(self) -> List[CompensationPoint]:
        """Compensation table of the negative direction, (expected, actual) pairs, at most 10."""
        return self._read_table("getNegativePosConpen")

    @negative_compensation.setter
    def negative_compensation(self, table: Sequence[CompensationPoint]) -> None:
        self._write_table("setNegativePosConpen", table)

    # stage identity and ID chip

    @property
    def serial_number(self) -> str:
        """Motor serial number (getMotorSerialNumber / setMotorSerialNumber)."""
        return self.controller._read_text("getMotorSerialNumber", self.number)

    @serial_number.setter
    def serial_number(self, text: str) -> None:
        self.controller._write_text("setMotorSerialNumber", text, self.number)

    @property
    def model_name(self) -> str:
        """Stage model name (getMotorModelName / setMotorModelName)."""
        return self.controller._read_text("getMotorModelName", self.number)

    @model_name.setter
    def model_name(self, text: str) -> None:
        self.controller._write_text("setMotorModelName", text, self.number)

    @property
    def motor_params(self) -> MotorParams:
        """The motor parameter block (getMotorParams / setMotorParams).
        Failures raise MotorParamsError with the failing step."""
        params = MotorParams()
        self._command("getMotorParams", ctypes.byref(params))
        return params

    @motor_params.setter
    def motor_params(self, params: MotorParams) -> None:
        if not isinstance(params, MotorParams):
            raise TypeError("motor_params takes a MotorParams, not %s" % type(params).__name__)
        self._command("setMotorParams", params)

    @property
    def auto_detect(self) -> int:
        """getMotorAutoDetect: the controller's stage code (DETECTED_ID_CHIP = programmed chip)."""
        detected = ctypes.c_char(b"\0")
        self._command("getMotorAutoDetect", ctypes.byref(detected))
        return detected.value[0] if detected.value else 0

    @property
    def has_id_chip(self) -> bool:
        """Whether the stage identified itself through a programmed ID chip."""
        return self.auto_detect == DETECTED_ID_CHIP

    def clear_id_chip(self) -> None:
        """setClearIDChip: erases the stage's ID chip."""
        self._command("setClearIDChip")


# C name -> its wrapper: "function", "Class.method" or "Class.property".
WRAPPERS = {
    "libraryInit": "library_init",
    "libraryDeInit": "library_deinit",
    "listKXMotorControlerDevices": "list_controllers",
    "addDev": "Controller.add",
    "openKXDevice": "Controller.open",
    "closeKXDevice": "Controller.close",
    "removeDev": "Controller.remove",
    "startMove": "Axis.start_move",
    "stopRuning": "Axis.stop",
    "home": "Axis.home",
    "startJog": "Axis.start_jog",
    "startDrive": "Axis.start_drive",
    "startCircle": "Axis.start_circle",
    "setMotorEnable": "Axis.enabled",
    "setTargetPos": "Axis.target_position",
    "getTargetPos": "Axis.target_position",
    "getCurrentPos": "Axis.position",
    "getRuningState": "Axis.state",
    "getJogIndex": "Axis.jog_index",
    "getCircleIndex": "Axis.circle_index",
    "setSpeed": "Axis.speed",
    "getSpeed": "Axis.speed",
    "setAcceleration": "Axis.acceleration",
    "getAcceleration": "Axis.acceleration",
    "setRelativeDisp": "Axis.relative_disp",
    "getRelativeDisp": "Axis.relative_disp",
    "setRelativeDispEnable": "Axis.relative_mode",
    "getRelativeDispEnable": "Axis.relative_mode",
    "setJogStep": "Axis.jog_step",
    "getJogStep": "Axis.jog_step",
    "setJogDelay": "Axis.jog_delay",
    "getJogDelay": "Axis.jog_delay",
    "setJogCount": "Axis.jog_count",
    "getJogCount": "Axis.jog_count",
    "setCircleDisp": "Axis.circle_disp",
    "getCircleDisp": "Axis.circle_disp",
    "setCircleCount": "Axis.circle_count",
    "getCircleCount": "Axis.circle_count",
    "setCircleDelay": "Axis.circle_delay",
    "getCircleDelay": "Axis.circle_delay",
    "setTriggerInEnable": "Axis.trigger_in_enable",
    "getTriggerInEnable": "Axis.trigger_in_enable",
    "setTriggerOutEnable": "Axis.trigger_out_enable",
    "getTriggerOutEnable": "Axis.trigger_out_enable",
    "setTriggerStep": "Axis.trigger_step",
    "getTriggerStep": "Axis.trigger_step",
    "setMotorUnitType": "Axis.unit_type",
    "getMotorUnitType": "Axis.unit_type",
    "setPosConpenEnable": "Axis.compensation_enabled",
    "getPosConpenEnable": "Axis.compensation_enabled",
    "setPositivePosConpen": "Axis.positive_compensation",
    "setNegativePosConpen": "Axis.negative_compensation",
    "getPositivePosConpen": "Axis.positive_compensation",
    "getNegativePosConpen": "Axis.negative_compensation",
    "setMotorSerialNumber": "Axis.serial_number",
    "getMotorSerialNumber": "Axis.serial_number",
    "setMotorModelName": "Axis.model_name",
    "getMotorModelName": "Axis.model_name",
    "setDevModelName": "Controller.model_name",
    "getDevModelName": "Controller.model_name",
    "setDeviceName": "Controller.set_device_name",
    "setDevSerialNumber": "Controller.serial_number",
    "getDevSerialNumber": "Controller.serial_number",
    "getDevSoftVersion": "Controller.firmware_version",
    "setDevAxisCount": "Controller.axis_count",
    "getDevAxisCount": "Controller.axis_count",
    "setRockerEnable": "Controller.rocker_enabled",
    "getRockerEnable": "Controller.rocker_enabled",
    "getRockerSpeed": "Controller.rocker_speed",
    "getRockerInfo": "Controller.rocker_info",
    "setMotorParams": "Axis.motor_params",
    "getMotorParams": "Axis.motor_params",
    "getMotorAutoDetect": "Axis.auto_detect",
    "setClearIDChip": "Axis.clear_id_chip",
}

__all__ = [
    "MotorStageState", "CONTROLER_STATE", "PosConpenPoint", "MotorParams", "ResultCode", "Direction",
    "DETECTED_ID_CHIP", "VelmoError", "NotSentError", "NoValidReplyError", "BufferTooSmallError",
    "NullRecordError", "OpenError", "NotRegisteredError", "NotOpenError", "MotorParamsError",
    "MotorParamsNotSentError", "MotorParamsNoReplyError", "LibraryNotFoundError", "error_for",
    "PROTOTYPES", "WRAPPERS", "load_library", "library_init", "library_deinit", "list_controllers",
    "AxisState", "RockerInfo", "Controller", "Axis",
]
