// Exercises the C# kit against the virtual controller (device 14 of the
// built-in scenario): marshalling of every kind of parameter, the object
// layer's values and errors. Prints "ok <check>" or "FAIL <check>: ..." and
// exits with the number of failures.
using System;
using System.Runtime.InteropServices;
using System.Text;
using Velmo;

static class KitCheck
{
    const int Device = 14;
    static int failures;

    [DllImport("libusb-1.0.so.0", CallingConvention = CallingConvention.Cdecl)]
    static extern int vsim_set_plugged(int id, int plugged);
    [DllImport("libusb-1.0.so.0", CallingConvention = CallingConvention.Cdecl)]
    static extern int vsim_written_count(int id);

    static void Expect(bool condition, string check, string detail)
    {
        if (condition) {
            Console.WriteLine("ok " + check);
        } else {
            Console.WriteLine("FAIL " + check + ": " + detail);
            ++failures;
        }
    }

    static VelmoException Catch(Action action)
    {
        try {
            action();
        } catch (VelmoException error) {
            return error;
        }
        return null;
    }

    static string Describe(VelmoException error)
    {
        return error == null ? "no exception" : error.Function + " " + error.Code;
    }

    static int Main()
    {
        Expect(Array.IndexOf(Controller.List(), Device) >= 0, "list", string.Join(",", Controller.List()));

        VelmoException unknown = Catch(() => Controller.Open(99));
        Expect(unknown != null && unknown.Code == -1 && unknown.Function == "openKXDevice"
               && unknown.Result == ResultCode.NotSent, "open unknown id", Describe(unknown));
        Expect(VelmoNative.removeDev(99) == 0, "failed open leaves no registration", "99 still registered");

        using (Controller controller = Controller.Open(Device)) {
            Axis axis0 = controller.GetAxis(0), axis2 = controller.GetAxis(2);

            axis2.SerialNumber = "CS-Ä-1";
            var raw = new byte[32];
            Expect(VelmoNative.getMotorSerialNumber(Device, 2, raw, 32) == 0
                   && TextField.Decode(raw) == "CS-Ä-1" && raw[7] == 0, "text bytes", Encoding.UTF8.GetString(raw));
            string full = new string('M', 32);
            axis2.ModelName = full;
            Expect(axis2.ModelName == full, "32-byte text without terminator", axis2.ModelName);
            int before = vsim_written_count(Device);
            bool refused = false;
            try {
                controller.ModelName = new string('x', 33);
            } catch (ArgumentException) {
                refused = true;
            }
            Expect(refused && vsim_written_count(Device) == before, "long text refused before sending", "sent or accepted");
            Expect(VelmoNative.getDevSerialNumber(Device, raw, 16) == -3, "small buffer", "not -3");

            axis0.TargetPosition = 17.5;
            bool ok;
            double target = VelmoNative.getTargetPos(Device, 0, out ok);
            Expect(ok && target == 17.5 && axis0.TargetPosition == 17.5, "one-byte flag and target", target.ToString());
            double refusedTarget = VelmoNative.getTargetPos(Device, 7, out ok);
            Expect(!ok && refusedTarget == -2.0, "one-byte flag on failure", refusedTarget.ToString());
            int status = 0;
            VelmoNative.setTriggerStep(Device, 0, 0.75);
            Expect(VelmoNative.getTriggerStep(Device, 0, ref status) == 0.75 && status == 0, "status left alone", status.ToString());
            short enable;
            VelmoNative.setPosConpenEnable(Device, 0, 1);
            Expect(VelmoNative.getPosConpenEnable(Device, 0, out enable) == 0 && enable == 1, "short output", enable.ToString());
            CONTROLER_STATE rocker;
            Expect(VelmoNative.getRockerInfo(Device, out rocker) == 0 && rocker.rockerSpeed == controller.RockerSpeed
                   && (rocker.rockerEnabled != 0) == controller.RockerEnabled, "rocker record", rocker.rockerSpeed.ToString());

            axis0.Speed = 7.25;
            axis0.Acceleration = 44.5;
            Expect(VelmoNative.getSpeed(Device, 0) == 7.25 && axis0.Acceleration == 44.5, "speed and acceleration", axis0.Speed.ToString());
            VelmoException refusedRead = Catch(() => { double unused = controller.GetAxis(7).Speed; });
            Expect(refusedRead != null && refusedRead.Code == -2 && refusedRead.Result == ResultCode.NoValidReply,
                   "refused read", Describe(refusedRead));

            var table = new[] { new PosConpenPoint(0, 0.01), new PosConpenPoint(10, 10.02), new PosConpenPoint(20, 19.97) };
            axis0.PositiveCompensation = table;
            axis0.NegativeCompensation = new PosConpenPoint[0];
            PosConpenPoint[] back = axis0.PositiveCompensation;
            Expect(back.Length == 3 && back[2].actualPos == 19.97 && axis0.NegativeCompensation.Length == 0,
                   "compensation tables", back.Length.ToString());

            MotorParams parameters = axis0.GetMotorParams();
            parameters.SerialNumber = "CS-42";
            parameters.maxSpeed = 12.5;
            parameters.returnTrip = 9;
            Expect(!axis2.HasIdChip, "no chip before", "chip present");
            axis2.SetMotorParams(parameters);  // 168 bytes by value
            MotorParams written = axis2.GetMotorParams();
            Expect(written.ModelName == axis0.ModelName && written.SerialNumber == "CS-42" && written.maxSpeed == 12.5
                   && written.returnTrip == 9 && written.pulse == parameters.pulse && written.OptOrder == parameters.OptOrder
                   && written.maxRockerSpeed == parameters.maxRockerSpeed && written.modifyDate == parameters.modifyDate,
                   "motor parameter block by value", written.ModelName + " " + written.SerialNumber);
            Expect(axis2.HasIdChip, "programmed chip detected", "no chip");
            axis2.ClearIdChip();
            Expect(!axis2.HasIdChip, "chip erased", "still programmed");

            var step = new VelmoException(-6, "setMotorParams");
            var close = new VelmoException(-61, "setMotorParams");
            Expect(step.Step == 3 && step.Field == "pulse" && step.Result == ResultCode.NoValidReply
                   && close.Step == 24 && close.Result == ResultCode.NoValidReply
                   && new VelmoException(-45, "getMotorParams").Result == ResultCode.NotSent,
                   "motor parameter step codes", step.Message + " / " + close.Message);

            axis0.Speed = 10;
            axis0.MoveTo(15.0);
            MotorStageState state = axis0.WaitUntilStopped(TimeSpan.FromSeconds(30));
            Expect(state.isStop == 1 && axis0.Position == 15.0, "move", axis0.Position.ToString());

            vsim_set_plugged(Device, 0);
            VelmoException unplugged = Catch(() => { double unused = axis0.Position; });
            Expect(unplugged != null && unplugged.Code == -1 && unplugged.Function == "getCurrentPos",
                   "unplugged", Describe(unplugged));
            VelmoException block = Catch(() => axis0.GetMotorParams());
            Expect(block != null && block.Code == -1 && block.Step == 1 && block.Field == "modelName",
                   "block step on unplugged", Describe(block));
            vsim_set_plugged(Device, 1);
            controller.Dispose();
            Expect(!controller.IsOpen && VelmoNative.removeDev(Device) == 0, "dispose closes and unregisters", "still registered");
        }
        Console.WriteLine(failures == 0 ? "all checks passed" : failures + " checks failed");
        return failures;
    }
}
