#!/usr/bin/python3
"""Move one velmo axis through the velmo-tango device server.

    move_axis.py TARGET [--device URL] [--velocity V] [--stop-after S]

Connects to a VelmoAxis device, prints what it is and where it stands,
subscribes to the change events the server pushes on Position and State,
writes TARGET to Position (an absolute move), optionally sends Stop after
S seconds, waits until the axis is at rest and unsubscribes.

Needs python3-tango (Debian's package, so run it with /usr/bin/python3).
The default device is axis 0 of the virtual controller served without a
database, as started in the README:

    LD_LIBRARY_PATH=build/sim build/bin/velmo-tango lab1 -ORBendPoint giop:tcp::10123 -nodb \\
        -dlist "VelmoController::velmo/controller/VM-0001,VelmoAxis::velmo/VM-0001/0"

With a Tango database, pass the device name alone (velmo/VM-0001/0) and set
TANGO_HOST.
"""

import argparse
import sys
import threading
import time

import tango

DEFAULT_DEVICE = "tango://localhost:10123/velmo/VM-0001/0#dbase=no"


class AxisEvents:
    """Prints the Position and State change events as they arrive.

    Tango calls push_event() from its own thread; the main thread only
    waits on state_changed, so nothing here needs more than that event.
    """

    def __init__(self, print_interval):
        self.started = time.monotonic()
        self.print_interval = print_interval
        self.last_printed = None
        self.position_events = 0
        self.state_changed = threading.Event()

    def stamp(self):
        return "%7.3f s" % (time.monotonic() - self.started)

    def push_event(self, event):
        # attr_name is the full URL: tango://host:port/velmo/vm-0001/0/position#dbase=no
        name = event.attr_name.split("#")[0].rsplit("/", 1)[-1].lower()
        if event.err:
            # The server sends an error event on Position when the
            # controller is lost; the reason says what happened.
            print("%s  %s event error: %s" % (self.stamp(), name, event.errors[0].desc))
            self.state_changed.set()
            return
        value = event.attr_value.value
        if name == "state":
            print("%s  state    %s" % (self.stamp(), value))
            self.state_changed.set()
        elif name == "position":
            # Position events come every 10 ms while the axis moves: count
            # them all, print a few.
            self.position_events += 1
            now = time.monotonic()
            if self.last_printed is None or now - self.last_printed >= self.print_interval:
                self.last_printed = now
                print("%s  position %.3f" % (self.stamp(), value))


def tango_reason(failure):
    """The first reason and text of a Tango exception, e.g. VELMO_InvalidValue."""
    error = failure.args[0]
    return "%s: %s" % (error.reason, error.desc)


def wait_until_still(axis, events, timeout):
    """Waits until the axis leaves MOVING; returns its state then.

    The State events wake us up; the state is read from the device to
    decide, so a missed event only costs the half-second fallback.
    """
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        events.state_changed.wait(0.5)
        events.state_changed.clear()
        state = axis.state()
        if state != tango.DevState.MOVING:
            return state
    raise TimeoutError("the axis still moves after %.0f s" % timeout)


def main():
    parser = argparse.ArgumentParser(description="Move one velmo axis through velmo-tango.")
    parser.add_argument("target", type=float, help="absolute target, in the axis's unit")
    parser.add_argument("--device", default=DEFAULT_DEVICE,
                        help="VelmoAxis device name or URL (default: %(default)s)")
    parser.add_argument("--velocity", type=float, help="set Velocity before the move")
    parser.add_argument("--stop-after", type=float, metavar="S",
                        help="send Stop S seconds after the move started")
    parser.add_argument("--timeout", type=float, default=120.0, help="give up waiting after this many seconds")
    parser.add_argument("--print-interval", type=float, default=0.25,
                        help="print at most one Position event per this many seconds")
    args = parser.parse_args()

    try:
        axis = tango.DeviceProxy(args.device)
        axis.ping()
    except tango.DevFailed as failure:
        print("cannot reach %s: %s" % (args.device, tango_reason(failure)), file=sys.stderr)
        return 2

    # Identity and where the axis stands. Status names the controller, the
    # axis and the stage model read from its ID chip.
    info = axis.info()
    unit = axis.Unit
    print("device   %s (class %s, server %s)" % (axis.dev_name(), info.dev_class, info.server_id))
    print("status   %s" % axis.status())
    print("state    %s, position %.3f %s, velocity %.3f %s/s"
          % (axis.state(), axis.Position, unit, axis.Velocity, unit))

    events = AxisEvents(args.print_interval)
    subscriptions = []
    try:
        # The server pushes these events itself: no polling to configure.
        # The first event of each subscription carries the current value.
        for attribute in ("State", "Position"):
            subscriptions.append(axis.subscribe_event(attribute, tango.EventType.CHANGE_EVENT, events))

        if args.velocity is not None:
            axis.Velocity = args.velocity

        # Writing Position starts an absolute move and returns at once. The
        # server refuses a target outside the stage's travel, a moving or
        # disabled axis and a failed sensor before anything is sent.
        print("%s  move to %.3f %s" % (events.stamp(), args.target, unit))
        axis.Position = args.target

        if args.stop_after is not None:
            time.sleep(args.stop_after)
            print("%s  Stop" % events.stamp())
            axis.Stop()  # brakes at the axis's acceleration; Abort would halt at once

        final_state = wait_until_still(axis, events, args.timeout)
    except tango.DevFailed as failure:
        print("refused: %s" % tango_reason(failure), file=sys.stderr)
        return 1
    except (KeyboardInterrupt, TimeoutError) as interruption:
        # Never leave the axis running behind us.
        print("%s; sending Stop" % (str(interruption) or "interrupted"), file=sys.stderr)
        axis.Stop()
        return 1
    finally:
        for subscription in subscriptions:
            axis.unsubscribe_event(subscription)

    print("%s  done: state %s, position %.3f %s (%d position events)"
          % (events.stamp(), final_state, axis.Position, unit, events.position_events))
    print("status   %s" % axis.status())
    return 0 if final_state == tango.DevState.ON else 1


if __name__ == "__main__":
    sys.exit(main())
