// Moves one axis of a velmo controller to a position and reports the way there.
//
//   mono MoveAxis.exe                     first controller, axis 0, to 25
//   mono MoveAxis.exe 12.5                to 12.5
//   mono MoveAxis.exe 90 1 14             to 90 on axis 1 of controller 14
//
// Lists the controllers, opens one, prints its identity and the stage's, sets
// speed and acceleration, starts the move, polls the running state until the
// axis stops and prints the positions on the way.
using System;
using System.Globalization;
using System.Threading;
using Velmo;

static class MoveAxis
{
    static int Main(string[] args)
    {
        // Numbers with a decimal point, whatever the system's language.
        Thread.CurrentThread.CurrentCulture = CultureInfo.InvariantCulture;
        try {
            double target = args.Length > 0 ? double.Parse(args[0], CultureInfo.InvariantCulture) : 25.0;
            int axisNumber = args.Length > 1 ? int.Parse(args[1], CultureInfo.InvariantCulture) : 0;
            return Run(target, axisNumber, args.Length > 2 ? int.Parse(args[2], CultureInfo.InvariantCulture) : -1);
        } catch (FormatException) {
            Console.Error.WriteLine("usage: MoveAxis.exe [position [axis [device id]]]");
            return 2;
        } catch (VelmoException error) {
            Console.Error.WriteLine("error: " + error.Message);
            return 2;
        }
    }

    static int Run(double target, int axisNumber, int deviceId)
    {
        int[] devices = Controller.List();
        Console.WriteLine("controllers: " + (devices.Length > 0 ? string.Join(", ", devices) : "none"));
        if (devices.Length == 0)
            return 1;

        using (Controller controller = Controller.Open(deviceId >= 0 ? deviceId : devices[0])) {
            Console.WriteLine("controller {0}: model {1}, serial {2}, firmware {3}, {4} axes", controller.DeviceId,
                              controller.ModelName, controller.SerialNumber, controller.FirmwareVersion,
                              controller.AxisCount);

            Axis axis = controller.GetAxis(axisNumber);
            string unit = axis.UnitType == 0 ? "mm" : axis.UnitType == 1 ? "deg" : "units";
            Console.WriteLine("axis {0}: stage {1}, serial {2}, unit {3}", axis.Number,
                              axis.ModelName.Length > 0 ? axis.ModelName : "(none)",
                              axis.SerialNumber.Length > 0 ? axis.SerialNumber : "(none)", unit);

            axis.Speed = 10.0;
            axis.Acceleration = 50.0;
            Console.WriteLine("speed {0:F3} {1}/s, acceleration {2:F3} {1}/s²", axis.Speed, unit, axis.Acceleration);

            Console.WriteLine("from {0:F4} {1} to {2:F4} {1}", axis.Position, unit, target);
            axis.MoveTo(target);

            DateTime deadline = DateTime.UtcNow.AddSeconds(60);
            MotorStageState state;
            double position;
            while (true) {
                state = axis.GetState();
                position = axis.Position;
                if (state.isStop != 0)
                    break;
                Console.WriteLine("  moving: {0:F4} {1}", position, unit);
                if (DateTime.UtcNow > deadline) {
                    axis.Stop();
                    Console.WriteLine("still moving after 60 s, stopped");
                    return 1;
                }
                Thread.Sleep(200);
            }

            Console.WriteLine("stopped at {0:F4} {1} (target {2:F4})", position, unit, axis.TargetPosition);
            if (state.isLeftLimit != 0 || state.isRightLimit != 0)
                Console.WriteLine("the stage stopped on a limit switch");
            return 0;
        }
    }
}
