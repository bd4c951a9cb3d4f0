#!/usr/bin/env python3
"""Reads, prints and copies the motor parameter block of a velmo stage.

    python3 motor_params.py                    # every axis of the first controller
    python3 motor_params.py --axis 0           # one axis
    python3 motor_params.py --axis 0 --copy-to 2 --serial L50-00042

The block (MotorParams) lives on the stage's ID chip: model, serial number,
pulses per revolution, pitch, limits, speeds. With --copy-to the block of
--axis is written to another axis under a new serial number, which programs
that stage's ID chip, and read back for comparison.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
import velmo  # noqa: E402


def parse_arguments():
    parser = argparse.ArgumentParser(description="Print or copy the motor parameter block of a stage.")
    parser.add_argument("--device", type=int, help="device id (default: the first controller found)")
    parser.add_argument("--axis", type=int, help="axis to read (default: every axis)")
    parser.add_argument("--copy-to", type=int, metavar="AXIS", help="write the block of --axis to this axis")
    parser.add_argument("--serial", help="serial number for the copy (default: the source's)")
    arguments = parser.parse_args()
    if arguments.copy_to is not None and arguments.axis is None:
        parser.error("--copy-to needs --axis")
    return arguments


def print_block(axis):
    if not axis.has_id_chip:
        print("axis %d: no programmed ID chip" % axis.number)
        return None
    params = axis.motor_params
    print("axis %d: %s" % (axis.number, params.text("modelName")))
    for name, value in params.as_dict().items():
        print("  %-16s %s" % (name, value))
    return params


def main():
    arguments = parse_arguments()
    devices = velmo.list_controllers()
    if not devices:
        print("no controller found")
        return 1
    device = arguments.device if arguments.device is not None else devices[0]

    with velmo.Controller(device) as controller:
        if arguments.axis is None:
            for axis in controller.axes():
                print_block(axis)
            return 0

        source = controller.axis(arguments.axis)
        params = print_block(source)
        if arguments.copy_to is None:
            return 0
        if params is None:
            print("nothing to copy")
            return 1

        target = controller.axis(arguments.copy_to)
        copy = params.copy()
        if arguments.serial:
            copy.update(serialNumber=arguments.serial)
        try:
            target.motor_params = copy
        except velmo.MotorParamsError as error:
            # The block is written field by field; the error names the first failing one.
            print("writing stopped at step %d (%s): %s" % (error.step, error.field, error))
            return 1
        written = target.motor_params
        print("copied to axis %d: %s" % (target.number, "identical" if written == copy else "DIFFERENT"))
        print_block(target)
        return 0 if written == copy else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except velmo.VelmoError as error:
        print("error:", error, file=sys.stderr)
        sys.exit(2)
