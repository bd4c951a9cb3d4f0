#!/usr/bin/env python3
"""Moves one axis of a velmo controller to a position and reports the way there.

    python3 move_axis.py                 # first controller, axis 0, to 25
    python3 move_axis.py 12.5 --speed 5  # to 12.5 at 5 units/s
    python3 move_axis.py 90 --axis 1 --device 14

Lists the controllers, opens one, prints its identity and the stage's, sets
speed and acceleration, starts the move, polls the running state until the
axis stops and prints the positions on the way.
"""
import argparse
import os
import sys
import time

# The kit's velmo.py sits one folder up.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
import velmo  # noqa: E402


def parse_arguments():
    parser = argparse.ArgumentParser(description="Move one axis of a velmo controller.")
    parser.add_argument("position", type=float, nargs="?", default=25.0, help="target position (default 25)")
    parser.add_argument("--device", type=int, help="device id (default: the first controller found)")
    parser.add_argument("--axis", type=int, default=0, help="axis number, from 0 (default 0)")
    parser.add_argument("--speed", type=float, default=10.0, help="speed in units/s (default 10)")
    parser.add_argument("--acceleration", type=float, default=50.0, help="acceleration in units/s² (default 50)")
    parser.add_argument("--timeout", type=float, default=60.0, help="seconds to wait for the stop (default 60)")
    return parser.parse_args()


def main():
    arguments = parse_arguments()

    devices = velmo.list_controllers()
    print("controllers:", ", ".join(str(device) for device in devices) or "none")
    if not devices:
        return 1
    device = arguments.device if arguments.device is not None else devices[0]

    with velmo.Controller(device) as controller:
        print("controller %d: model %s, serial %s, firmware %s, %d axes"
              % (device, controller.model_name, controller.serial_number, controller.firmware_version,
                 controller.axis_count))

        axis = controller.axis(arguments.axis)
        unit = {0: "mm", 1: "deg"}.get(axis.unit_type, "units")
        print("axis %d: stage %s, serial %s, unit %s"
              % (axis.number, axis.model_name or "(none)", axis.serial_number or "(none)", unit))

        axis.speed = arguments.speed
        axis.acceleration = arguments.acceleration
        # Read back what the controller stored; the motion itself stays within
        # the stage's maxSpeed and maxAcc from its parameter block.
        print("speed %.3f %s/s, acceleration %.3f %s/s²" % (axis.speed, unit, axis.acceleration, unit))

        start = axis.position
        print("from %.4f %s to %.4f %s" % (start, unit, arguments.position, unit))
        axis.move_to(arguments.position)

        deadline = time.monotonic() + arguments.timeout
        while True:
            state = axis.state()
            position = axis.position
            if state.stopped:
                break
            print("  moving: %.4f %s" % (position, unit))
            if time.monotonic() > deadline:
                axis.stop()
                print("still moving after %.0f s, stopped" % arguments.timeout)
                return 1
            time.sleep(0.2)

        print("stopped at %.4f %s (target %.4f)" % (position, unit, axis.target_position))
        if state.negative_limit or state.positive_limit:
            print("the stage stopped on a limit switch")
        return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except velmo.VelmoError as error:
        print("error:", error, file=sys.stderr)
        sys.exit(2)
