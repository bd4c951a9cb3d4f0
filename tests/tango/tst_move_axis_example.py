#!/usr/bin/python3
"""The python3-tango example client against velmo-tango and the virtual
controller: a move that ends at its target, a stop midway, and a refused
target, each with the exit status and the lines a user reads.

    tst_move_axis_example.py VELMO_TANGO EXAMPLE_SCRIPT SIM_DIR
"""

import os
import socket
import subprocess
import sys
import time


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    server_binary, example, sim_dir = sys.argv[1:4]
    port = free_port()
    environment = dict(os.environ, LD_LIBRARY_PATH=sim_dir + ":" + os.environ.get("LD_LIBRARY_PATH", ""),
                       VELMO_SIM_SCENARIO='{"timeScale": 10}')
    server = subprocess.Popen(
        [server_binary, "example", "-ORBendPoint", "giop:tcp:127.0.0.1:%d" % port, "-nodb",
         "-dlist", "VelmoController::velmo/controller/VM-0001,VelmoAxis::velmo/VM-0001/0"],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=environment, text=True)
    failures = []
    try:
        deadline = time.monotonic() + 30
        while "Ready to accept request" not in server.stdout.readline():
            if server.poll() is not None or time.monotonic() > deadline:
                print("velmo-tango did not start")
                return 1
        device = "tango://127.0.0.1:%d/velmo/VM-0001/0#dbase=no" % port

        def run(*arguments):
            result = subprocess.run(["/usr/bin/python3", example, *arguments, "--device", device],
                                    capture_output=True, text=True, timeout=60)
            return result.returncode, result.stdout + result.stderr

        status, output = run("20", "--velocity", "8")
        if status != 0 or "done: state ON, position 20.000 mm" not in output:
            failures.append("move to 20:\n" + output)

        status, output = run("45", "--velocity", "2", "--stop-after", "0.5")
        stopped = [line for line in output.splitlines() if "done: state ON" in line]
        if status != 0 or "Stop" not in output or not stopped or "position 45.000" in stopped[0]:
            failures.append("stop midway:\n" + output)

        status, output = run("60")
        if status != 1 or "VELMO_InvalidValue" not in output or "outside the travel" not in output:
            failures.append("refused target:\n" + output)
    finally:
        server.terminate()
        server.wait(timeout=15)
    for failure in failures:
        print("FAIL", failure)
    print("%d of 3 cases passed" % (3 - len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
