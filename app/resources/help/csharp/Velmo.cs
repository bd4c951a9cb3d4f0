// velmo C# development kit: P/Invoke declarations of every velmoLibrary
// export (VelmoNative), the records, the result codes and a small object
// layer (Controller, Axis). Compile with unsafe code allowed (mcs/csc
// -unsafe, or <AllowUnsafeBlocks>true</AllowUnsafeBlocks>): the records'
// text fields are fixed byte arrays, laid out exactly as in velmoLibrary.h.
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;

namespace Velmo
{
    /// <summary>Result codes shared by the exports.</summary>
    public enum ResultCode
    {
        Ok = 0,
        /// <summary>The request was not sent: unknown or closed id, incomplete write.</summary>
        NotSent = -1,
        /// <summary>No valid reply: nothing within 200 ms, refused, wrong length or bad checksum.</summary>
        NoValidReply = -2,
        /// <summary>The caller's buffer was smaller than 32 bytes or null.</summary>
        BufferTooSmall = -3,
        /// <summary>A null record pointer was passed; nothing was sent.</summary>
        NullRecord = -100,
    }

    /// <summary>Direction of jogs, drives and cycles.</summary>
    public enum Direction
    {
        Positive = 1,
        Negative = 2,
    }

    /// <summary>Running state of one axis (getRuningState). Flags hold 0 or 1.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct MotorStageState
    {
        public ushort isCanRun;
        public ushort isStop;
        public ushort isEnable;
        public ushort isHome;
        public ushort isLeftLimit;
        public ushort isRightLimit;
        public ushort isNegLimitFault;
        public ushort isPosLimitFault;
        public ushort isHomeFault;
        public int currentJog;
    }

    /// <summary>Joystick record of a controller (getRockerInfo).</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct CONTROLER_STATE
    {
        public byte rockerEnabled;
        public byte reserved;
        public ushort rockerSpeed;
    }

    /// <summary>One position-compensation point.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct PosConpenPoint
    {
        public double expectPos;
        public double actualPos;

        public PosConpenPoint(double expected, double actual)
        {
            expectPos = expected;
            actualPos = actual;
        }
    }

    /// <summary>Motor parameter block of one axis, as kept on the stage's ID chip.
    /// The text fields are byte arrays as in C; ModelName, SerialNumber and
    /// OptOrder read and write them as strings.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public unsafe struct MotorParams
    {
        public fixed byte modelName[32];
        public fixed byte serialNumber[32];
        public uint pulse;
        public double helicalPitch;
        public double restoreSpeed;
        public short motorType;
        public short pLimitPolarity;
        public short nLimitPolarity;
        public short zeroPolarity;
        public short direction;
        public short limitDirection;
        public short unitType;
        public fixed byte optOrder[10];
        public double maxSpeed;
        public double maxAcc;
        public double minPos;
        public double maxPos;
        public short zoptWidth;
        public short optNum;
        public short returnTrip;
        public short motorPhase;
        public uint modifyDate;
        public double maxRockerSpeed;

        public string ModelName
        {
            get { fixed (byte* field = modelName) return TextField.Read(field, 32); }
            set { fixed (byte* field = modelName) TextField.Write(value, field, 32); }
        }

        public string SerialNumber
        {
            get { fixed (byte* field = serialNumber) return TextField.Read(field, 32); }
            set { fixed (byte* field = serialNumber) TextField.Write(value, field, 32); }
        }

        public string OptOrder
        {
            get { fixed (byte* field = optOrder) return TextField.Read(field, 10); }
            set { fixed (byte* field = optOrder) TextField.Write(value, field, 10); }
        }
    }

    /// <summary>Texts travel as 32-byte fields, UTF-8, not terminated when full.</summary>
    public static class TextField
    {
        public const int Size = 32;

        public static byte[] Encode(string text, int capacity = Size)
        {
            byte[] bytes = Encoding.UTF8.GetBytes(text ?? string.Empty);
            if (bytes.Length > capacity)
                throw new ArgumentException(string.Format("\"{0}\" takes {1} bytes, at most {2} fit", text, bytes.Length, capacity));
            return bytes;
        }

        public static string Decode(byte[] field)
        {
            int length = Array.IndexOf(field, (byte)0);
            return Encoding.UTF8.GetString(field, 0, length < 0 ? field.Length : length);
        }

        internal static unsafe string Read(byte* field, int size)
        {
            var bytes = new byte[size];
            Marshal.Copy((IntPtr)field, bytes, 0, size);
            return Decode(bytes);
        }

        internal static unsafe void Write(string text, byte* field, int size)
        {
            byte[] bytes = Encode(text, size);
            for (int i = 0; i < size; ++i)
                field[i] = i < bytes.Length ? bytes[i] : (byte)0; // no tail of an older, longer text
        }
    }

    /// <summary>Every export of velmoLibrary, one to one, under its C name.
    /// The library is velmoLibrary.dll on Windows and libvelmoLibrary.so on
    /// Linux (found through LD_LIBRARY_PATH or a dllmap). All exports are __cdecl.</summary>
    public static class VelmoNative
    {
        public const string LibraryName = "velmoLibrary";
        public const int TextSize = 32;
        public const int CompensationPoints = 10;
        /// <summary>getMotorAutoDetect's code for a stage with a programmed ID chip.</summary>
        public const byte DetectedIdChip = 2;

        // lifecycle and registry
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int libraryInit();
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern void libraryDeInit();
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int listKXMotorControlerDevices([Out] int[] ids, int capacity);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int addDev(int id);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int openKXDevice(int id);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int closeKXDevice(int id);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int removeDev(int id);

        // motion and axis state
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int startMove(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int stopRuning(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int home(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int startJog(int id, int axis, int direction);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int startDrive(int id, int axis, int direction);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int startCircle(int id, int axis, int direction);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setMotorEnable(int id, int axis, int enable);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setTargetPos(int id, int axis, double position);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getTargetPos(int id, int axis, [MarshalAs(UnmanagedType.U1)] out bool ok);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getCurrentPos(int id, int axis, out int status);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getRuningState(int id, int axis, out MotorStageState state);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getJogIndex(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getCircleIndex(int id, int axis);

        // axis parameters: setters 0 / -1 / -2, getters the value or -1 / -2
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setSpeed(int id, int axis, double value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getSpeed(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setAcceleration(int id, int axis, double value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getAcceleration(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setRelativeDisp(int id, int axis, double value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getRelativeDisp(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setRelativeDispEnable(int id, int axis, int enable);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getRelativeDispEnable(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setJogStep(int id, int axis, double value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getJogStep(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setJogDelay(int id, int axis, int value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getJogDelay(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setJogCount(int id, int axis, int value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getJogCount(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setCircleDisp(int id, int axis, double value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getCircleDisp(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setCircleCount(int id, int axis, int value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getCircleCount(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setCircleDelay(int id, int axis, int value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getCircleDelay(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setTriggerInEnable(int id, int axis, int value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getTriggerInEnable(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setTriggerOutEnable(int id, int axis, int value);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getTriggerOutEnable(int id, int axis);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setTriggerStep(int id, int axis, double value);
        /// <summary>Leaves status alone on success: initialise it to 0.</summary>
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern double getTriggerStep(int id, int axis, ref int status);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setMotorUnitType(int id, int axis, int unitType);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getMotorUnitType(int id, int axis);

        // position compensation: tables are always 10 points, unused ones zero
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setPosConpenEnable(int id, int axis, int enable);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getPosConpenEnable(int id, int axis, out short enable);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setPositivePosConpen(int id, int axis, [In] PosConpenPoint[] points, int count);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setNegativePosConpen(int id, int axis, [In] PosConpenPoint[] points, int count);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getPositivePosConpen(int id, int axis, [Out] PosConpenPoint[] points, out int count);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getNegativePosConpen(int id, int axis, [Out] PosConpenPoint[] points, out int count);

        // texts: setters take the bytes and their length (at most 32), getters a
        // 32-byte buffer that comes back unterminated when full (so byte[], not a string)
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setMotorSerialNumber(int id, int axis, byte[] text, int length);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getMotorSerialNumber(int id, int axis, [Out] byte[] buffer, int size);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setMotorModelName(int id, int axis, byte[] text, int length);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getMotorModelName(int id, int axis, [Out] byte[] buffer, int size);

        // controller settings
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setDevModelName(int id, byte[] text, int length);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getDevModelName(int id, [Out] byte[] buffer, int size);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setDeviceName(int id, byte[] text, int length);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setDevSerialNumber(int id, byte[] text, int length);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getDevSerialNumber(int id, [Out] byte[] buffer, int size);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getDevSoftVersion(int id, [Out] byte[] buffer, int size);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setDevAxisCount(int id, int count);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getDevAxisCount(int id);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setRockerEnable(int id, int enable);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getRockerEnable(int id);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getRockerSpeed(int id);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getRockerInfo(int id, out CONTROLER_STATE state);

        // motor parameter block, ID chip
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setMotorParams(int id, int axis, MotorParams parameters);
        /// <summary>ref, not out: fields after a failing step keep the caller's values.</summary>
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getMotorParams(int id, int axis, ref MotorParams parameters);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int getMotorAutoDetect(int id, int axis, out byte detected);
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl)]
        public static extern int setClearIDChip(int id, int axis);
    }

    /// <summary>A call into velmoLibrary failed. Code is the library's result,
    /// Function the C name of the export. For the motor parameter block, Step
    /// is the failing step (1 = modelName .. 23 = maxRockerSpeed, 24 = the
    /// closing step of setMotorParams) and Field its name; otherwise 0 and null.</summary>
    public class VelmoException : Exception
    {
        public int Code { get; private set; }
        public string Function { get; private set; }
        public int Step { get; private set; }
        public string Field { get; private set; }

        static readonly string[] blockFields = {
            "modelName", "serialNumber", "pulse", "helicalPitch", "restoreSpeed", "motorType", "pLimitPolarity",
            "nLimitPolarity", "zeroPolarity", "direction", "limitDirection", "unitType", "optOrder", "maxSpeed",
            "maxAcc", "minPos", "maxPos", "zoptWidth", "optNum", "returnTrip", "motorPhase", "modifyDate",
            "maxRockerSpeed",
        };

        public VelmoException(int code, string function) : base(Describe(code, function))
        {
            Code = code;
            Function = function;
            if (IsBlockFunction(function) && code < 0 && code >= -2 * blockFields.Length) {
                Step = (-code + 1) / 2;
                Field = blockFields[Step - 1];
            } else if (function == "setMotorParams" && (code == -60 || code == -61)) {
                Step = blockFields.Length + 1;
                Field = "close";
            }
        }

        /// <summary>The general meaning of the code: NotSent or NoValidReply also for
        /// the motor parameter block's step codes (odd: not sent, even: no reply).</summary>
        public ResultCode Result
        {
            get {
                if (Step > blockFields.Length)
                    return Code == -60 ? ResultCode.NotSent : ResultCode.NoValidReply;
                if (Step > 0)
                    return Code % 2 != 0 ? ResultCode.NotSent : ResultCode.NoValidReply;
                return (ResultCode)Code;
            }
        }

        static bool IsBlockFunction(string function)
        {
            return function == "setMotorParams" || function == "getMotorParams";
        }

        static string Describe(int code, string function)
        {
            if (function == "openKXDevice" && code == -1)
                return "openKXDevice: the controller failed to open (-1)";
            if (function == "openKXDevice" && code == -2)
                return "openKXDevice: the id is not registered (-2)";
            if (IsBlockFunction(function) && code != -100 && code < 0) {
                bool close = function == "setMotorParams" && (code == -60 || code == -61);
                int step = close ? blockFields.Length + 1 : (-code + 1) / 2;
                if (close || step <= blockFields.Length) {
                    bool sent = close ? code == -61 : code % 2 == 0;
                    return string.Format("{0}: step {1} ({2}) {3} ({4})", function, step,
                                         close ? "close" : blockFields[step - 1],
                                         sent ? "got no valid reply" : "was not sent", code);
                }
            }
            switch (code) {
            case -1: return function + ": the request was not sent (-1)";
            case -2: return function + ": no valid reply (-2)";
            case -3: return function + ": buffer too small (-3)";
            case -100: return function + ": null record (-100)";
            default: return string.Format("{0} failed with {1}", function, code);
            }
        }

        /// <summary>Throws for any result other than 0.</summary>
        public static void Check(int code, string function)
        {
            if (code != 0)
                throw new VelmoException(code, function);
        }
    }

    /// <summary>One controller by device id: registered and opened by Open,
    /// closed and unregistered by Dispose. Calls through one Controller (and
    /// its axes) are serialised with a lock shared by every Controller of the
    /// same id, as the library allows one call per controller at a time.</summary>
    public sealed class Controller : IDisposable
    {
        static readonly Dictionary<int, object> locks = new Dictionary<int, object>();

        internal readonly object Sync;
        public int DeviceId { get; private set; }
        public bool IsOpen { get; private set; }

        Controller(int deviceId)
        {
            DeviceId = deviceId;
            lock (locks) {
                if (!locks.TryGetValue(deviceId, out Sync)) {
                    Sync = new object();
                    locks.Add(deviceId, Sync);
                }
            }
        }

        /// <summary>Device ids of the controllers on the bus.</summary>
        public static int[] List()
        {
            int capacity = 16;
            while (true) {
                var ids = new int[capacity];
                int found = VelmoNative.listKXMotorControlerDevices(ids, capacity);
                if (found <= capacity) {
                    Array.Resize(ref ids, Math.Max(found, 0));
                    return ids;
                }
                capacity = found; // more than fit: ask again with room for all
            }
        }

        /// <summary>addDev + openKXDevice; throws VelmoException (and leaves the id
        /// unregistered) when the controller does not open.</summary>
        public static Controller Open(int deviceId)
        {
            var controller = new Controller(deviceId);
            lock (controller.Sync) {
                VelmoException.Check(VelmoNative.addDev(deviceId), "addDev");
                int result = VelmoNative.openKXDevice(deviceId);
                if (result != 0) {
                    VelmoNative.removeDev(deviceId);
                    throw new VelmoException(result, "openKXDevice");
                }
                controller.IsOpen = true;
            }
            return controller;
        }

        /// <summary>closeKXDevice + removeDev; closing twice does nothing.</summary>
        public void Dispose()
        {
            lock (Sync) {
                if (!IsOpen)
                    return;
                IsOpen = false;
                VelmoNative.closeKXDevice(DeviceId);
                VelmoNative.removeDev(DeviceId);
            }
        }

        internal string ReadText(Func<byte[], int> read, string function)
        {
            var buffer = new byte[VelmoNative.TextSize];
            lock (Sync)
                VelmoException.Check(read(buffer), function);
            return TextField.Decode(buffer);
        }

        internal void WriteText(string text, Func<byte[], int, int> write, string function)
        {
            byte[] bytes = TextField.Encode(text);
            lock (Sync)
                VelmoException.Check(write(bytes, bytes.Length), function);
        }

        internal int ReadValue(Func<int> read, string function)
        {
            int value;
            lock (Sync)
                value = read();
            if (value == -1 || value == -2)
                throw new VelmoException(value, function);
            return value;
        }

        internal void Run(Func<int> command, string function)
        {
            lock (Sync)
                VelmoException.Check(command(), function);
        }

        public string ModelName
        {
            get { return ReadText(b => VelmoNative.getDevModelName(DeviceId, b, b.Length), "getDevModelName"); }
            set { WriteText(value, (b, n) => VelmoNative.setDevModelName(DeviceId, b, n), "setDevModelName"); }
        }

        public string SerialNumber
        {
            get { return ReadText(b => VelmoNative.getDevSerialNumber(DeviceId, b, b.Length), "getDevSerialNumber"); }
            set { WriteText(value, (b, n) => VelmoNative.setDevSerialNumber(DeviceId, b, n), "setDevSerialNumber"); }
        }

        public string FirmwareVersion
        {
            get { return ReadText(b => VelmoNative.getDevSoftVersion(DeviceId, b, b.Length), "getDevSoftVersion"); }
        }

        public int AxisCount
        {
            get { return ReadValue(() => VelmoNative.getDevAxisCount(DeviceId), "getDevAxisCount"); }
            set { Run(() => VelmoNative.setDevAxisCount(DeviceId, value), "setDevAxisCount"); }
        }

        public bool RockerEnabled
        {
            get { return ReadValue(() => VelmoNative.getRockerEnable(DeviceId), "getRockerEnable") == 1; }
            set { Run(() => VelmoNative.setRockerEnable(DeviceId, value ? 1 : 0), "setRockerEnable"); }
        }

        public int RockerSpeed
        {
            get { return ReadValue(() => VelmoNative.getRockerSpeed(DeviceId), "getRockerSpeed"); }
        }

        /// <summary>Axis number (zero-based) of this controller.</summary>
        public Axis GetAxis(int number)
        {
            return new Axis(this, number);
        }
    }

    /// <summary>One axis of a controller. Positions, speeds and accelerations
    /// are in the axis's own unit (mm or degrees).</summary>
    public sealed class Axis
    {
        public Controller Controller { get; private set; }
        public int Number { get; private set; }

        int Id { get { return Controller.DeviceId; } }

        internal Axis(Controller controller, int number)
        {
            if (number < 0)
                throw new ArgumentOutOfRangeException("number", "axis numbers start at 0");
            Controller = controller;
            Number = number;
        }

        double ReadDouble(Func<double> read, string function)
        {
            double value;
            lock (Controller.Sync)
                value = read();
            if (value == -1.0 || value == -2.0)
                throw new VelmoException((int)value, function);
            return value;
        }

        public void StartMove() { Controller.Run(() => VelmoNative.startMove(Id, Number), "startMove"); }
        public void Stop() { Controller.Run(() => VelmoNative.stopRuning(Id, Number), "stopRuning"); }
        public void Home() { Controller.Run(() => VelmoNative.home(Id, Number), "home"); }

        public void StartJog(Direction direction)
        {
            Controller.Run(() => VelmoNative.startJog(Id, Number, (int)direction), "startJog");
        }

        public void StartDrive(Direction direction)
        {
            Controller.Run(() => VelmoNative.startDrive(Id, Number, (int)direction), "startDrive");
        }

        /// <summary>setTargetPos + startMove, as one unit.</summary>
        public void MoveTo(double position)
        {
            lock (Controller.Sync) {
                TargetPosition = position;
                StartMove();
            }
        }

        public bool Enabled
        {
            get { return GetState().isEnable != 0; }
            set { Controller.Run(() => VelmoNative.setMotorEnable(Id, Number, value ? 1 : 0), "setMotorEnable"); }
        }

        public double TargetPosition
        {
            get {
                bool ok;
                double value;
                lock (Controller.Sync)
                    value = VelmoNative.getTargetPos(Id, Number, out ok);
                if (!ok)
                    throw new VelmoException((int)value, "getTargetPos");
                return value;
            }
            set { Controller.Run(() => VelmoNative.setTargetPos(Id, Number, value), "setTargetPos"); }
        }

        public double Position
        {
            get {
                int status;
                double value;
                lock (Controller.Sync)
                    value = VelmoNative.getCurrentPos(Id, Number, out status);
                VelmoException.Check(status, "getCurrentPos");
                return value;
            }
        }

        public MotorStageState GetState()
        {
            MotorStageState state;
            int result;
            lock (Controller.Sync)
                result = VelmoNative.getRuningState(Id, Number, out state);
            VelmoException.Check(result, "getRuningState");
            return state;
        }

        /// <summary>Polls the running state until the axis stops; TimeoutException after the timeout.</summary>
        public MotorStageState WaitUntilStopped(TimeSpan timeout)
        {
            var clock = Stopwatch.StartNew();
            while (true) {
                MotorStageState state = GetState();
                if (state.isStop != 0)
                    return state;
                if (clock.Elapsed > timeout)
                    throw new TimeoutException(string.Format("axis {0} still moving after {1}", Number, timeout));
                Thread.Sleep(50);
            }
        }

        public double Speed
        {
            get { return ReadDouble(() => VelmoNative.getSpeed(Id, Number), "getSpeed"); }
            set { Controller.Run(() => VelmoNative.setSpeed(Id, Number, value), "setSpeed"); }
        }

        public double Acceleration
        {
            get { return ReadDouble(() => VelmoNative.getAcceleration(Id, Number), "getAcceleration"); }
            set { Controller.Run(() => VelmoNative.setAcceleration(Id, Number, value), "setAcceleration"); }
        }

        public bool RelativeMode
        {
            get { return Controller.ReadValue(() => VelmoNative.getRelativeDispEnable(Id, Number), "getRelativeDispEnable") != 0; }
            set { Controller.Run(() => VelmoNative.setRelativeDispEnable(Id, Number, value ? 1 : 0), "setRelativeDispEnable"); }
        }

        /// <summary>Unit type index: 0 mm, 1 degrees on the velmo stages.</summary>
        public int UnitType
        {
            get { return Controller.ReadValue(() => VelmoNative.getMotorUnitType(Id, Number), "getMotorUnitType"); }
            set { Controller.Run(() => VelmoNative.setMotorUnitType(Id, Number, value), "setMotorUnitType"); }
        }

        public string ModelName
        {
            get { return Controller.ReadText(b => VelmoNative.getMotorModelName(Id, Number, b, b.Length), "getMotorModelName"); }
            set { Controller.WriteText(value, (b, n) => VelmoNative.setMotorModelName(Id, Number, b, n), "setMotorModelName"); }
        }

        public string SerialNumber
        {
            get { return Controller.ReadText(b => VelmoNative.getMotorSerialNumber(Id, Number, b, b.Length), "getMotorSerialNumber"); }
            set { Controller.WriteText(value, (b, n) => VelmoNative.setMotorSerialNumber(Id, Number, b, n), "setMotorSerialNumber"); }
        }

        public PosConpenPoint[] PositiveCompensation
        {
            get { return ReadTable(true); }
            set { WriteTable(true, value); }
        }

        public PosConpenPoint[] NegativeCompensation
        {
            get { return ReadTable(false); }
            set { WriteTable(false, value); }
        }

        PosConpenPoint[] ReadTable(bool positive)
        {
            var points = new PosConpenPoint[VelmoNative.CompensationPoints];
            int count, result;
            lock (Controller.Sync)
                result = positive ? VelmoNative.getPositivePosConpen(Id, Number, points, out count)
                                  : VelmoNative.getNegativePosConpen(Id, Number, points, out count);
            VelmoException.Check(result, positive ? "getPositivePosConpen" : "getNegativePosConpen");
            Array.Resize(ref points, Math.Max(0, Math.Min(count, VelmoNative.CompensationPoints)));
            return points;
        }

        void WriteTable(bool positive, PosConpenPoint[] table)
        {
            table = table ?? new PosConpenPoint[0];
            if (table.Length > VelmoNative.CompensationPoints)
                throw new ArgumentException("a compensation table holds at most 10 points");
            var points = new PosConpenPoint[VelmoNative.CompensationPoints]; // unused points stay zero
            Array.Copy(table, points, table.Length);
            if (positive)
                Controller.Run(() => VelmoNative.setPositivePosConpen(Id, Number, points, table.Length), "setPositivePosConpen");
            else
                Controller.Run(() => VelmoNative.setNegativePosConpen(Id, Number, points, table.Length), "setNegativePosConpen");
        }

        /// <summary>Reads the motor parameter block; a VelmoException names the failing step.</summary>
        public MotorParams GetMotorParams()
        {
            var parameters = new MotorParams();
            Controller.Run(() => VelmoNative.getMotorParams(Id, Number, ref parameters), "getMotorParams");
            return parameters;
        }

        /// <summary>Writes the motor parameter block, which programs the stage's ID chip.</summary>
        public void SetMotorParams(MotorParams parameters)
        {
            Controller.Run(() => VelmoNative.setMotorParams(Id, Number, parameters), "setMotorParams");
        }

        public bool HasIdChip
        {
            get {
                byte detected = 0;
                Controller.Run(() => VelmoNative.getMotorAutoDetect(Id, Number, out detected), "getMotorAutoDetect");
                return detected == VelmoNative.DetectedIdChip;
            }
        }

        public void ClearIdChip()
        {
            Controller.Run(() => VelmoNative.setClearIDChip(Id, Number), "setClearIDChip");
        }
    }
}
