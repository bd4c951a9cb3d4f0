#!/usr/bin/env python3
"""Tests of the Python development kit as installed in the help folder.

Environment: VELMO_KIT_DIR (the installed Tarel_velmo_PythonSDK folder),
VELMO_HEADER (velmoLibrary.h), VELMO_SIM_LIBRARY (the virtual controller's
libusb-1.0.so.0, also first on LD_LIBRARY_PATH), VELMO_TEST_LIBRARY_FILE
(the built libvelmoLibrary.so). Arguments select the test
classes as for unittest, e.g. ``CoverageTest``.
"""
import ctypes
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

KIT_DIR = os.environ["VELMO_KIT_DIR"]
HEADER = os.environ["VELMO_HEADER"]
SIM_LIBRARY = os.environ["VELMO_SIM_LIBRARY"]

sys.path.insert(0, KIT_DIR)
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import velmo  # noqa: E402
import velmo_header  # noqa: E402

DEVICE = 14  # the built-in scenario's controller (port path 1-4)
VSIM_FAULT_NONE = 0
VSIM_FAULT_NO_REPLY = 1
VSIM_FAULT_STATUS = 6


def header_text():
    with open(HEADER, encoding="utf-8") as file:
        return file.read()


def simulator():
    sim = ctypes.CDLL(SIM_LIBRARY)
    sim.vsim_load_scenario.argtypes = [ctypes.c_char_p]
    sim.vsim_set_axis_position.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_double]
    return sim


# ------------------------------------------------------------------ coverage


class CoverageTest(unittest.TestCase):
    """Every export of the header is declared, typed as in C and wrapped."""

    def setUp(self):
        self.exports = velmo_header.exports(header_text())
        self.assertTrue(self.exports, "no VELMO_API prototype found in " + HEADER)

    def c_to_ctypes(self):
        pointer = ctypes.POINTER
        return {
            "void": None, "int": ctypes.c_int, "double": ctypes.c_double,
            "int *": pointer(ctypes.c_int), "short *": pointer(ctypes.c_short),
            "char *": pointer(ctypes.c_char), "const char *": ctypes.c_char_p,
            "MotorStageState *": pointer(velmo.MotorStageState),
            "CONTROLER_STATE *": pointer(velmo.CONTROLER_STATE),
            "PosConpenPoint *": pointer(velmo.PosConpenPoint),
            "const PosConpenPoint *": pointer(velmo.PosConpenPoint),
            "MotorParams": velmo.MotorParams, "MotorParams *": pointer(velmo.MotorParams),
        }

    def missing_and_extra(self, header_names, declared_names):
        return sorted(set(header_names) - set(declared_names)), sorted(set(declared_names) - set(header_names))

    def test_every_export_has_a_declaration(self):
        missing, extra = self.missing_and_extra([e.name for e in self.exports], velmo.PROTOTYPES)
        self.assertEqual(missing, [], "exports without argtypes/restype in velmo.py")
        self.assertEqual(extra, [], "declarations of functions the header does not export")

    def test_declared_types_match_the_prototypes(self):
        types = self.c_to_ctypes()
        for export in self.exports:
            with self.subTest(export=export.name):
                restype, argtypes = velmo.PROTOTYPES[export.name]
                self.assertIn(export.result, types, "no ctypes type known for " + export.result)
                self.assertIs(restype, types[export.result])
                self.assertEqual(len(argtypes), len(export.parameters), "argument count")
                for position, (parameter, declared) in enumerate(zip(export.parameters, argtypes)):
                    self.assertIn(parameter.type, types, "no ctypes type known for " + parameter.type)
                    self.assertIs(declared, types[parameter.type],
                                  "argument %d (%s %s)" % (position, parameter.type, parameter.name))

    def test_loaded_library_carries_the_declarations(self):
        library = velmo.load_library()
        for name, (restype, argtypes) in velmo.PROTOTYPES.items():
            with self.subTest(export=name):
                function = getattr(library, name)
                self.assertIs(function.restype, restype)
                self.assertEqual(list(function.argtypes), list(argtypes))
                self.assertIs(getattr(velmo, name), function, "raw layer under the C name")

    def test_every_export_has_a_wrapper(self):
        missing, extra = self.missing_and_extra([e.name for e in self.exports], velmo.WRAPPERS)
        self.assertEqual(missing, [], "exports without a wrapper in velmo.WRAPPERS")
        self.assertEqual(extra, [], "wrappers of functions the header does not export")
        for name, target in velmo.WRAPPERS.items():
            with self.subTest(export=name, wrapper=target):
                owner = velmo
                *path, attribute = target.split(".")
                for segment in path:
                    owner = getattr(owner, segment)
                wrapper = owner.__dict__.get(attribute) if isinstance(owner, type) else getattr(owner, attribute, None)
                self.assertIsNotNone(wrapper, target + " does not exist")
                if isinstance(wrapper, property):
                    if name.startswith("set"):
                        self.assertIsNotNone(wrapper.fset, target + " has no setter for " + name)
                    else:
                        self.assertIsNotNone(wrapper.fget, target + " has no getter for " + name)
                else:
                    self.assertTrue(callable(wrapper), target + " is neither a property nor callable")

    def test_a_new_export_is_noticed(self):
        # The check reads prototypes the way they are written in the header,
        # including ones spread over lines.
        text = header_text() + "\nVELMO_API int VELMO_CALL\n    setFutureThing(int id,\n int axis);\n"
        names = [e.name for e in velmo_header.exports(text)]
        missing, _ = self.missing_and_extra(names, velmo.WRAPPERS)
        self.assertEqual(missing, ["setFutureThing"])
        future = [e for e in velmo_header.exports(text) if e.name == "setFutureThing"][0]
        self.assertEqual(future.parameters, [velmo_header.Parameter("int", "id"), velmo_header.Parameter("int", "axis")])

    def test_records_follow_the_header(self):
        scalar = {"uint8_t": ctypes.c_uint8, "uint16_t": ctypes.c_uint16, "int16_t": ctypes.c_int16,
                  "int32_t": ctypes.c_int32, "uint32_t": ctypes.c_uint32, "double": ctypes.c_double}
        found = velmo_header.records(header_text())
        self.assertEqual(set(found), {"MotorStageState", "CONTROLER_STATE", "MotorParams", "PosConpenPoint"})
        for record, fields in found.items():
            structure = getattr(velmo, record)
            with self.subTest(record=record):
                self.assertEqual([name for name, _ in structure._fields_], [field.name for field in fields])
                for (name, declared), field in zip(structure._fields_, fields):
                    if field.length is None:
                        self.assertIs(declared, scalar[field.type], name)
                    else:
                        self.assertIs(declared._type_, ctypes.c_char, name)
                        self.assertEqual(declared._length_, field.length, name)

    def test_record_layouts_match_the_pinned_sizes_and_offsets(self):
        checks = velmo_header.layout_checks(header_text())
        self.assertTrue(any(check.record == "MotorParams" and check.field is None for check in checks))
        for check in checks:
            structure = getattr(velmo, check.record)
            with self.subTest(check=check):
                if check.field is None:
                    self.assertEqual(ctypes.sizeof(structure), check.value)
                else:
                    self.assertEqual(getattr(structure, check.field).offset, check.value)


# ------------------------------------------------------------ Pythonic layer


class VirtualControllerTestCase(unittest.TestCase):
    scenario = None  # JSON object, or None for the built-in controller

    @classmethod
    def setUpClass(cls):
        velmo.load_library()
        cls.sim = simulator()

    def setUp(self):
        text = json.dumps(self.scenario).encode() if self.scenario else b'{"timeScale": 20}'
        self.assertEqual(self.sim.vsim_load_scenario(text), 0)
        self.controller = velmo.Controller(DEVICE)
        self.controller.open()
        self.addCleanup(self.controller.close)

    def written(self):
        return self.sim.vsim_written_count(DEVICE)


class ErrorTest(VirtualControllerTestCase):
    """Failures reach the caller as the right exception with the library's code."""

    def test_opening_an_unknown_id_raises_open_error_and_leaves_no_registration(self):
        with self.assertRaises(velmo.OpenError) as caught:
            velmo.Controller(99).open()
        self.assertEqual(caught.exception.code, -1)
        self.assertEqual(caught.exception.function, "openKXDevice")
        self.assertEqual(velmo.removeDev(99), 0)

    def test_a_controller_that_refuses_to_open(self):
        self.controller.close()
        self.sim.vsim_fail_open(DEVICE, -1)
        with self.assertRaises(velmo.OpenError):
            with velmo.Controller(DEVICE):
                self.fail("the body runs only when open")
        self.sim.vsim_fail_open(DEVICE, 0)

    def test_an_unregistered_id_raises_not_registered(self):
        self.controller.close()  # and unregistered: the raw open finds no registration
        error = velmo.error_for(velmo.openKXDevice(DEVICE), "openKXDevice")
        self.assertIsInstance(error, velmo.NotRegisteredError)
        self.assertEqual(error.code, -2)

    def test_unplugged_controller_raises_not_sent(self):
        axis = self.controller.axis(0)
        self.assertEqual(self.sim.vsim_set_plugged(DEVICE, 0), 0)
        for name in ("speed", "position", "target_position", "trigger_step", "state", "serial_number"):
            with self.subTest(wrapper=name), self.assertRaises(velmo.NotSentError) as caught:
                value = getattr(axis, name)
                value() if callable(value) else None
            self.assertEqual(caught.exception.code, velmo.ResultCode.NOT_SENT)
        with self.assertRaises(velmo.NotSentError):
            axis.speed = 3.0
        with self.assertRaises(velmo.NotSentError):
            self.controller.firmware_version
        with self.assertRaises(velmo.NotSentError):
            self.controller.rocker_info()

    def test_refused_and_lost_replies_raise_no_valid_reply(self):
        with self.assertRaises(velmo.NoValidReplyError) as caught:
            self.controller.axis(7).speed  # beyond the axis count: refused
        self.assertEqual(caught.exception.code, -2)
        self.sim.vsim_set_fault(DEVICE, VSIM_FAULT_NO_REPLY, 0, 1)
        with self.assertRaises(velmo.NoValidReplyError):
            self.controller.axis(0).target_position
        # Other commands work at once; the lost command's own replies are
        # refused until the lost one is given up (a second after its request).
        self.controller.axis(0).speed
        time.sleep(1.1)
        self.assertEqual(self.controller.axis(0).target_position, 0.0, "the next exchange works again")

    def test_refused_motion_raises(self):
        axis = self.controller.axis(0)
        axis.enabled = False
        self.assertFalse(axis.enabled)
        with self.assertRaises(velmo.NoValidReplyError):
            axis.move_to(20.0)
        axis.enabled = True
        self.assertTrue(axis.state().enabled)

    def test_closed_controller(self):
        axis = self.controller.axis(0)
        self.controller.close()
        self.assertFalse(self.controller.is_open)
        with self.assertRaises(velmo.NotSentError):
            axis.speed
        self.controller.close()  # again: nothing to do
        self.assertEqual(velmo.closeKXDevice(DEVICE), -1)
        self.assertIsInstance(velmo.error_for(-1, "closeKXDevice"), velmo.NotOpenError)
        self.assertEqual(velmo.removeDev(DEVICE), 0, "close() also unregistered the id")

    def test_close_after_the_channel_was_closed_elsewhere(self):
        self.assertEqual(velmo.closeKXDevice(DEVICE), 0)
        self.controller.close()
        self.assertFalse(self.controller.is_open)
        self.assertEqual(velmo.removeDev(DEVICE), 0, "unregistered all the same")

    def test_context_manager_closes_on_an_exception(self):
        self.controller.close()
        with self.assertRaises(RuntimeError):
            with velmo.Controller(DEVICE) as controller:
                self.assertTrue(controller.is_open)
                raise RuntimeError("body failed")
        self.assertEqual(self.sim.vsim_open_handles(DEVICE), 0)
        self.assertEqual(velmo.removeDev(DEVICE), 0)

    def test_raw_codes_map_to_their_classes(self):
        self.assertEqual(velmo.getRuningState(DEVICE, 0, None), -100)
        self.assertIsInstance(velmo.error_for(-100, "getRuningState"), velmo.NullRecordError)
        small = ctypes.create_string_buffer(16)
        self.assertEqual(velmo.getDevSerialNumber(DEVICE, small, 16), -3)
        error = velmo.error_for(-3, "getDevSerialNumber")
        self.assertIsInstance(error, velmo.BufferTooSmallError)
        self.assertEqual((error.code, error.function), (-3, "getDevSerialNumber"))
        self.assertIs(type(velmo.error_for(-7, "getSpeed")), velmo.VelmoError)

    def test_motor_params_codes_name_the_step(self):
        cases = [(-1, 1, "modelName", False), (-6, 3, "pulse", True), (-45, 23, "maxRockerSpeed", False),
                 (-46, 23, "maxRockerSpeed", True), (-60, 24, "close", False), (-61, 24, "close", True)]
        for code, step, field, sent in cases:
            with self.subTest(code=code):
                error = velmo.error_for(code, "setMotorParams")
                self.assertIsInstance(error, velmo.MotorParamsError)
                self.assertIsInstance(error, velmo.NoValidReplyError if sent else velmo.NotSentError)
                self.assertEqual((error.code, error.step, error.field, error.sent), (code, step, field, sent))
        self.assertIsInstance(velmo.error_for(-100, "getMotorParams"), velmo.NullRecordError)

    def test_motor_params_failure_reports_the_failing_step(self):
        axis = self.controller.axis(2)
        params = self.controller.axis(0).motor_params
        self.sim.vsim_set_fault(DEVICE, VSIM_FAULT_STATUS, 0x100B, 1)  # the pulse field's write
        with self.assertRaises(velmo.MotorParamsNoReplyError) as caught:
            axis.motor_params = params
        self.assertEqual((caught.exception.code, caught.exception.step, caught.exception.field), (-6, 3, "pulse"))
        self.sim.vsim_set_fault(DEVICE, VSIM_FAULT_STATUS, 0x2000, 1)  # the closing step
        with self.assertRaises(velmo.MotorParamsNoReplyError) as caught:
            axis.motor_params = params
        self.assertEqual((caught.exception.code, caught.exception.step), (-61, 24))

    def test_bad_arguments_are_refused_before_anything_is_sent(self):
        axis = self.controller.axis(0)
        before = self.written()
        with self.assertRaises(ValueError):
            axis.serial_number = "x" * 33
        with self.assertRaises(ValueError):
            self.controller.model_name = "型号" * 6  # 36 bytes in UTF-8
        with self.assertRaises(ValueError):
            axis.start_jog(3)
        with self.assertRaises(ValueError):
            axis.positive_compensation = [(float(i), float(i)) for i in range(11)]
        with self.assertRaises(TypeError):
            axis.motor_params = b"\0" * 168
        with self.assertRaises(ValueError):
            self.controller.axis(-1)
        self.assertEqual(self.written(), before)


class ValueTest(VirtualControllerTestCase):
    """Values written through the Pythonic layer reach the matching export and come back."""

    def test_axis_values_round_trip_against_the_raw_layer(self):
        axis = self.controller.axis(1)
        cases = [  # property, C getter, C setter, two distinct values
            ("speed", "getSpeed", "setSpeed", 7.25, 3.5),
            ("acceleration", "getAcceleration", "setAcceleration", 44.5, 12.0),
            ("relative_disp", "getRelativeDisp", "setRelativeDisp", -12.5, 3.75),
            ("jog_step", "getJogStep", "setJogStep", 0.125, 2.5),
            ("jog_delay", "getJogDelay", "setJogDelay", 150, 40),
            ("jog_count", "getJogCount", "setJogCount", 9, 4),
            ("circle_disp", "getCircleDisp", "setCircleDisp", 6.5, 1.25),
            ("circle_count", "getCircleCount", "setCircleCount", 11, 2),
            ("circle_delay", "getCircleDelay", "setCircleDelay", 333, 17),
            ("trigger_in_enable", "getTriggerInEnable", "setTriggerInEnable", 1, 0),
            ("trigger_out_enable", "getTriggerOutEnable", "setTriggerOutEnable", 0, 1),
            ("unit_type", "getMotorUnitType", "setMotorUnitType", 3, 1),
        ]
        for name, getter, setter, first, second in cases:
            with self.subTest(wrapper=name):
                setattr(axis, name, first)
                self.assertEqual(getattr(velmo, getter)(DEVICE, 1), first)
                self.assertEqual(getattr(velmo, setter)(DEVICE, 1, second), 0)
                self.assertEqual(getattr(axis, name), second)

    def test_values_with_status_outputs_round_trip(self):
        axis = self.controller.axis(0)
        axis.target_position = 17.5
        ok = ctypes.c_char(b"\0")
        self.assertEqual(velmo.getTargetPos(DEVICE, 0, ctypes.byref(ok)), 17.5)
        self.assertEqual(axis.target_position, 17.5)
        axis.trigger_step = 0.75
        status = ctypes.c_int(5)
        self.assertEqual(velmo.getTriggerStep(DEVICE, 0, ctypes.byref(status)), 0.75)
        self.assertEqual(axis.trigger_step, 0.75)
        self.sim.vsim_set_axis_position(DEVICE, 0, 33.25)
        self.assertEqual(axis.position, 33.25)

    def test_switches_round_trip(self):
        axis = self.controller.axis(0)
        for on in (True, False, True):
            axis.relative_mode = on
            self.assertEqual(velmo.getRelativeDispEnable(DEVICE, 0), int(on))
            self.assertIs(axis.relative_mode, on)
            axis.compensation_enabled = on
            self.assertIs(axis.compensation_enabled, on)
            self.controller.rocker_enabled = on
            self.assertIs(self.controller.rocker_enabled, on)
            self.assertEqual(self.controller.rocker_info().enabled, on)

    def test_a_relative_displacement_of_minus_one_is_a_value(self):
        axis = self.controller.axis(0)
        for value in (-1.0, -2.0):
            axis.relative_disp = value
            self.assertEqual(axis.relative_disp, value)
        self.sim.vsim_set_plugged(DEVICE, 0)
        with self.assertRaises(velmo.NotSentError):
            axis.relative_disp

    def test_texts_round_trip(self):
        axis = self.controller.axis(2)
        axis.serial_number = "SN-Ä-7"  # UTF-8 on the wire
        buffer = ctypes.create_string_buffer(32)
        self.assertEqual(velmo.getMotorSerialNumber(DEVICE, 2, buffer, 32), 0)
        self.assertEqual(buffer.raw.rstrip(b"\0"), "SN-Ä-7".encode())
        full = "M" * 32  # every byte used: no terminator on the wire
        axis.model_name = full
        self.assertEqual(axis.model_name, full)
        self.controller.serial_number = "VM-7777"
        self.assertEqual(self.controller.serial_number, "VM-7777")
        self.controller.model_name = "VM-9Z"
        self.assertEqual(self.controller.model_name, "VM-9Z")
        # This controller answers the name with no data, where setDeviceName expects two bytes.
        with self.assertRaises(velmo.NoValidReplyError):
            self.controller.set_device_name("Bench 3")

    def test_compensation_tables_round_trip_per_direction(self):
        axis = self.controller.axis(0)
        positive = [(0.0, 0.01), (10.0, 10.02), (20.0, 19.97)]
        negative = [(50.0 - i, 50.0 - i + 0.001 * i) for i in range(10)]
        axis.positive_compensation = positive
        axis.negative_compensation = [velmo.PosConpenPoint(*point) for point in negative]
        self.assertEqual(axis.positive_compensation, positive)
        self.assertEqual(axis.negative_compensation, negative)
        axis.positive_compensation = []
        self.assertEqual(axis.positive_compensation, [])
        self.assertEqual(axis.negative_compensation, negative)

    def test_motor_params_copy_programs_the_id_chip(self):
        source, target = self.controller.axis(0), self.controller.axis(2)
        self.assertTrue(source.has_id_chip)
        self.assertFalse(target.has_id_chip)
        params = source.motor_params
        self.assertEqual(params.text("modelName"), source.model_name)
        params.update(serialNumber="L50-99", returnTrip=9, maxSpeed=12.5)
        target.motor_params = params
        back = target.motor_params
        self.assertEqual(back, params)
        self.assertEqual(back.as_dict()["serialNumber"], "L50-99")
        self.assertEqual((back.returnTrip, back.maxSpeed), (9, 12.5))
        self.assertEqual(target.auto_detect, velmo.DETECTED_ID_CHIP)
        target.clear_id_chip()
        self.assertFalse(target.has_id_chip)
        self.assertNotEqual(source.motor_params, back, "the source kept its own serial number")

    def test_motor_params_texts(self):
        params = velmo.MotorParams().update(modelName="VLS-50", optOrder="NZP")
        self.assertEqual(params.modelName, b"VLS-50")
        params.update(modelName="X")  # a shorter text leaves no tail behind
        self.assertEqual(bytes(params)[:8], b"X" + b"\0" * 7)
        with self.assertRaises(ValueError):
            params.update(optOrder="12345678901")
        with self.assertRaises(KeyError):
            params.update(speed=1.0)
        with self.assertRaises(KeyError):
            params.text("pulse")

    def test_controller_settings(self):
        self.controller.axis_count = 4
        self.assertEqual(velmo.getDevAxisCount(DEVICE), 4)
        self.assertEqual([axis.number for axis in self.controller.axes()], [0, 1, 2, 3])
        self.assertEqual(self.controller.rocker_info().speed, self.controller.rocker_speed)


class IdentityTest(VirtualControllerTestCase):
    scenario = {"timeScale": 20, "controllers": [{
        "portPath": [1, 4], "serialNumber": "PY-SER-1", "firmware": "FW 9.8.7", "modelName": "PY-MODEL",
        "deviceNameReplyBytes": 2, "joystick": {"present": True, "enabled": True, "speed": 7}}]}

    def test_identity_and_joystick_come_from_the_controller(self):
        self.assertEqual(self.controller.serial_number, "PY-SER-1")
        self.assertEqual(self.controller.firmware_version, "FW 9.8.7")
        self.assertEqual(self.controller.model_name, "PY-MODEL")
        self.assertEqual(self.controller.rocker_info(), velmo.RockerInfo(True, 7))
        self.assertEqual(self.controller.rocker_speed, 7)

    def test_device_name_shares_the_model_name_field(self):
        self.controller.set_device_name("Bench 3")
        self.assertEqual(self.controller.model_name, "Bench 3")


class ManyControllersTest(VirtualControllerTestCase):
    scenario = {"controllers": [{"portPath": [1, 4]}] + [{"portPath": [2, port]} for port in range(1, 8)]
                + [{"portPath": [3, port]} for port in range(1, 8)] + [{"portPath": [4, port]} for port in range(1, 8)]}

    def test_list_controllers_returns_more_than_its_first_guess(self):
        expected = {14} | {10 * bus + port for bus in (2, 3, 4) for port in range(1, 8)}
        found = velmo.list_controllers()
        self.assertEqual(len(found), len(expected))
        self.assertEqual(set(found), expected)


class MotionTest(VirtualControllerTestCase):
    def test_move_and_wait(self):
        axis = self.controller.axis(0)
        axis.speed, axis.acceleration = 10.0, 100.0
        axis.move_to(22.5)
        self.assertFalse(axis.state().stopped)
        state = axis.wait_until_stopped(timeout=20)
        self.assertTrue(state.stopped and state.can_run)
        self.assertEqual(axis.position, 22.5)

    def test_relative_move(self):
        axis = self.controller.axis(1)
        start = axis.position
        axis.relative_mode = True
        axis.relative_disp = -30.0
        axis.start_move()
        axis.wait_until_stopped(timeout=20)
        self.assertAlmostEqual(axis.position, start - 30.0, places=6)

    def test_jog_and_cycle_report_their_index(self):
        axis = self.controller.axis(0)
        axis.jog_step, axis.jog_count, axis.jog_delay = 0.5, 3, 100
        axis.start_jog(velmo.Direction.POSITIVE)
        self.assertGreaterEqual(axis.jog_index, 1)
        axis.wait_until_stopped(timeout=20)
        self.assertEqual(axis.jog_index, 0)
        self.assertAlmostEqual(axis.position, 11.5, places=6)
        axis.circle_disp, axis.circle_count, axis.circle_delay = 1.0, 2, 50
        axis.start_circle(velmo.Direction.NEGATIVE)
        self.assertGreaterEqual(axis.circle_index, 1)
        axis.wait_until_stopped(timeout=20)
        self.assertEqual(axis.circle_index, 0)

    def test_drive_stop_and_home(self):
        axis = self.controller.axis(0)
        axis.start_drive(velmo.Direction.POSITIVE)
        self.assertFalse(axis.state().stopped)
        axis.stop()
        axis.wait_until_stopped(timeout=20)
        axis.home()
        state = axis.wait_until_stopped(timeout=60)
        self.assertTrue(state.homed)
        self.assertEqual(axis.position, 0.0)

    def test_wait_gives_up_after_its_timeout(self):
        axis = self.controller.axis(0)
        axis.speed = 0.01  # barely moving
        axis.start_drive(velmo.Direction.NEGATIVE)
        with self.assertRaises(TimeoutError):
            axis.wait_until_stopped(timeout=0.2)
        axis.stop()


class LibraryLookupTest(unittest.TestCase):
    """The module finds the library where its documentation says."""

    def run_python(self, code, environment, cwd):
        env = dict(os.environ)
        env.update(environment)
        return subprocess.run([sys.executable, "-c", code], env=env, cwd=cwd, capture_output=True, text=True,
                              timeout=60)

    def test_lookup_order(self):
        library_path = os.environ["VELMO_TEST_LIBRARY_FILE"]
        probe = "import velmo; print(velmo.lib._name); print(velmo.list_controllers())"
        with tempfile.TemporaryDirectory() as folder:
            shutil.copy(os.path.join(KIT_DIR, "velmo.py"), folder)
            # Nothing set and nothing beside the module: the system's search.
            result = self.run_python(probe, {"VELMO_LIBRARY": ""}, folder)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout.split("\n")[0], "libvelmoLibrary.so")
            # VELMO_LIBRARY wins, and a wrong one is reported, not replaced.
            result = self.run_python(probe, {"VELMO_LIBRARY": os.path.join(folder, "nothing.so")}, folder)
            self.assertNotEqual(result.returncode, 0)
            self.assertIn("LibraryNotFoundError", result.stderr)
            self.assertIn("VELMO_LIBRARY", result.stderr)
            result = self.run_python(probe, {"VELMO_LIBRARY": os.path.realpath(library_path)}, folder)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout.split("\n")[:2], [os.path.realpath(library_path), str([DEVICE])])
            # Then the library beside the module.
            beside = os.path.join(folder, "libvelmoLibrary.so")
            os.symlink(os.path.realpath(library_path), beside)
            result = self.run_python(probe, {"VELMO_LIBRARY": ""}, folder)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout.split("\n")[0], beside)


# ----------------------------------------------------------------- examples


class ExamplesTest(unittest.TestCase):
    """The kit's examples, run as a user would from the installed folder."""

    @classmethod
    def setUpClass(cls):
        velmo.load_library()
        cls.sim = simulator()

    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name
        # Everything the examples write is kept in the state file, which this
        # process loads afterwards to see what reached the controller.
        self.scenario = json.dumps({"timeScale": 5, "stateFile": os.path.join(self.folder, "state.json")})

    def run_example(self, name, *arguments):
        env = dict(os.environ, VELMO_SIM_SCENARIO=self.scenario)
        return subprocess.run([sys.executable, os.path.join(KIT_DIR, "examples", name)] + list(arguments),
                              env=env, cwd=self.folder, capture_output=True, text=True, timeout=120)

    def controller_after_the_example(self):
        self.assertEqual(self.sim.vsim_load_scenario(self.scenario.encode()), 0)
        controller = velmo.Controller(DEVICE)
        controller.open()
        self.addCleanup(controller.close)
        return controller

    def test_move_axis(self):
        result = self.run_example("move_axis.py", "20", "--speed", "8", "--acceleration", "40")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "controllers: 14")
        self.assertIn("controller 14: model VM-3A, serial VM-0001, firmware VM 1.0.0, 3 axes", lines)
        self.assertIn("axis 0: stage VLS-50, serial L50-00017, unit mm", lines)
        self.assertIn("from 10.0000 mm to 20.0000 mm", lines)
        moving = [float(line.split()[1]) for line in lines if line.startswith("  moving:")]
        self.assertTrue(moving, "positions on the way are printed")
        self.assertEqual(moving, sorted(moving), "the positions rise towards the target")
        self.assertTrue(all(10.0 <= position < 20.0 for position in moving))
        self.assertEqual(lines[-1], "stopped at 20.0000 mm (target 20.0000)")
        axis = self.controller_after_the_example().axis(0)
        self.assertEqual((axis.speed, axis.acceleration, axis.target_position), (8.0, 40.0, 20.0))

    def test_move_axis_second_axis(self):
        result = self.run_example("move_axis.py", "120", "--axis", "1", "--device", "14", "--speed", "30")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("axis 1: stage VRS-360, serial R360-00042, unit deg", result.stdout)
        self.assertTrue(result.stdout.endswith("stopped at 120.0000 deg (target 120.0000)\n"), result.stdout)

    def test_move_axis_reports_a_missing_controller(self):
        result = self.run_example("move_axis.py", "--device", "77")
        self.assertEqual(result.returncode, 2)
        self.assertIn("error: openKXDevice: the controller failed to open", result.stderr)
        self.assertNotIn("Traceback", result.stderr)

    def test_motor_params_lists_every_axis(self):
        result = self.run_example("motor_params.py")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("axis 0: VLS-50\n  modelName        VLS-50\n  serialNumber     L50-00017\n", result.stdout)
        self.assertIn("axis 1: VRS-360\n", result.stdout)
        self.assertIn("  maxPos           360.0\n", result.stdout)
        self.assertTrue(result.stdout.endswith("axis 2: no programmed ID chip\n"), result.stdout)
        self.assertEqual(result.stdout.count("  maxRockerSpeed "), 2)

    def test_motor_params_copy(self):
        result = self.run_example("motor_params.py", "--axis", "0", "--copy-to", "2", "--serial", "L50-00042")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("copied to axis 2: identical\naxis 2: VLS-50\n", result.stdout)
        self.assertIn("  serialNumber     L50-00042\n", result.stdout)
        controller = self.controller_after_the_example()
        source, target = controller.axis(0), controller.axis(2)
        self.assertTrue(target.has_id_chip)
        written = target.motor_params
        self.assertEqual(written.text("serialNumber"), "L50-00042")
        expected = source.motor_params.update(serialNumber="L50-00042")
        self.assertEqual(written, expected)

    def test_motor_params_copy_needs_a_source(self):
        result = self.run_example("motor_params.py", "--copy-to", "2")
        self.assertEqual(result.returncode, 2)
        self.assertIn("--copy-to needs --axis", result.stderr)
        result = self.run_example("motor_params.py", "--axis", "2", "--copy-to", "1")
        self.assertEqual(result.returncode, 1)
        self.assertIn("nothing to copy", result.stdout)


if __name__ == "__main__":
    unittest.main()
