/*
 * velmoLibrary: host library for velmo desktop stepper-motor controllers.
 *
 * Plain C interface. A host lists the controllers on the USB bus, registers
 * and opens one by its device id, then runs commands; every command is one
 * request/reply exchange with the controller (the motor parameter block is a
 * fixed series of them). Calling order:
 *
 *   listKXMotorControlerDevices -> addDev -> openKXDevice -> commands
 *   -> closeKXDevice -> removeDev
 *
 * Device id: the controller's USB port path written as decimal digits and read
 * as a number (root port 1, hub port 4 gives 14). Axis numbers are zero-based.
 * Positions, speeds and accelerations are in the axis's own unit (mm or
 * degrees) and are passed through unscaled.
 *
 * Results: 0 (or the value read) on success; -1 the request was not sent
 * (unknown or closed id, incomplete write); -2 no valid reply (nothing within
 * 200 ms, refused by the controller, wrong length or bad checksum); -3 caller
 * buffer too small or null; -100 null record pointer, nothing sent. The motor
 * parameter block reports the failing step instead (see setMotorParams).
 *
 * Threads: exports may be called from any thread, but at most one call per
 * controller at a time. The library keeps no pointer to caller memory after a
 * call returns and never hands out memory the caller must free.
 */
#ifndef VELMO_LIBRARY_H
#define VELMO_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define VELMO_CALL __cdecl
#  if defined(VELMO_LIBRARY_BUILD)
#    define VELMO_API __declspec(dllexport)
#  else
#    define VELMO_API __declspec(dllimport)
#  endif
#else
#  define VELMO_CALL
#  define VELMO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- records */

/* Running state of one axis, filled by getRuningState. Flags hold 0 or 1. */
typedef struct MotorStageState {
    uint16_t isCanRun;        /* the axis accepts a motion command (status bit 3) */
    uint16_t isStop;          /* stopped (bit 0) */
    uint16_t isEnable;        /* motor enabled (bit 1) */
    uint16_t isHome;          /* homed (bit 2) */
    uint16_t isLeftLimit;     /* negative limit reached (bit 4) */
    uint16_t isRightLimit;    /* positive limit reached (bit 5) */
    uint16_t isNegLimitFault; /* negative limit sensor failure (bit 6) */
    uint16_t isPosLimitFault; /* positive limit sensor failure (bit 8) */
    uint16_t isHomeFault;     /* home sensor failure (bit 7) */
    int32_t currentJog;       /* current jog step index, 0 when no jog runs */
} MotorStageState;

/* Joystick ("rocker") record of a controller, filled by getRockerInfo. */
typedef struct CONTROLER_STATE {
    uint8_t rockerEnabled; /* 0 or 1 */
    uint8_t reserved;      /* never written by the library */
    uint16_t rockerSpeed;  /* speed level */
} CONTROLER_STATE;

/* Motor parameter block of one axis, as kept on the stage's ID chip. */
typedef struct MotorParams {
    char modelName[32];      /* stage model name, not terminated when full */
    char serialNumber[32];   /* serial number, not terminated when full */
    uint32_t pulse;          /* pulses per motor revolution */
    double helicalPitch;     /* lead-screw pitch, travel per revolution */
    double restoreSpeed;     /* homing speed */
    int16_t motorType;       /* stage type index */
    int16_t pLimitPolarity;  /* positive limit sensor polarity */
    int16_t nLimitPolarity;  /* negative limit sensor polarity */
    int16_t zeroPolarity;    /* home sensor polarity */
    int16_t direction;       /* motion direction */
    int16_t limitDirection;  /* limit direction */
    int16_t unitType;        /* unit type index (mm, degrees) */
    char optOrder[10];       /* optical sensor order; the controller keeps 4 bytes */
    double maxSpeed;         /* maximum speed */
    double maxAcc;           /* maximum acceleration */
    double minPos;           /* travel limit, negative end */
    double maxPos;           /* travel limit, positive end */
    int16_t zoptWidth;       /* width of the home optical sensor */
    int16_t optNum;          /* number of optical sensors */
    int16_t returnTrip;      /* backlash in pulses */
    int16_t motorPhase;      /* number of motor phases */
    uint32_t modifyDate;     /* date of the last change, as a number */
    double maxRockerSpeed;   /* maximum joystick speed */
} MotorParams;

/* One position-compensation point; a table holds at most 10 per direction. */
typedef struct PosConpenPoint {
    double expectPos; /* commanded position */
    double actualPos; /* position actually reached */
} PosConpenPoint;

/* The records' layout is part of the binary interface; pin it on x86-64. */
#if defined(__x86_64__) || defined(_M_X64)
#  if defined(__cplusplus)
#    define VELMO_LAYOUT_CHECK(cond, name) static_assert(cond, #name)
#  else
#    define VELMO_LAYOUT_CHECK(cond, name) typedef char velmo_layout_##name[(cond) ? 1 : -1]
#  endif
VELMO_LAYOUT_CHECK(sizeof(MotorStageState) == 24, state_size);
VELMO_LAYOUT_CHECK(offsetof(MotorStageState, isHomeFault) == 16, state_home_fault);
VELMO_LAYOUT_CHECK(offsetof(MotorStageState, currentJog) == 20, state_current_jog);
VELMO_LAYOUT_CHECK(sizeof(CONTROLER_STATE) == 4, rocker_size);
VELMO_LAYOUT_CHECK(offsetof(CONTROLER_STATE, rockerSpeed) == 2, rocker_speed);
VELMO_LAYOUT_CHECK(sizeof(PosConpenPoint) == 16, point_size);
VELMO_LAYOUT_CHECK(sizeof(MotorParams) == 168, params_size);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, serialNumber) == 32, params_serial);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, pulse) == 64, params_pulse);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, helicalPitch) == 72, params_pitch);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, restoreSpeed) == 80, params_restore);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, motorType) == 88, params_motor_type);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, unitType) == 100, params_unit_type);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, optOrder) == 102, params_opt_order);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, maxSpeed) == 112, params_max_speed);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, maxPos) == 136, params_max_pos);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, zoptWidth) == 144, params_zopt);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, motorPhase) == 150, params_phase);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, modifyDate) == 152, params_date);
VELMO_LAYOUT_CHECK(offsetof(MotorParams, maxRockerSpeed) == 160, params_rocker);
#  undef VELMO_LAYOUT_CHECK
#endif

/* ------------------------------------------------- lifecycle and registry */

/* Gives a host without a Qt application the application object the library
 * needs, runs its event loop once and returns its exit code (0). Repeated
 * calls reuse the existing application object. */
VELMO_API int VELMO_CALL libraryInit(void);

/* Deletes the application object created by libraryInit, if any. */
VELMO_API void VELMO_CALL libraryDeInit(void);

/* Lists the controllers on the bus: writes up to `capacity` device ids into
 * `ids` (nothing when ids is null or capacity <= 0) and returns how many
 * controllers were found, which may exceed the capacity. */
VELMO_API int VELMO_CALL listKXMotorControlerDevices(int *ids, int capacity);

/* Registers a device id (closed). An id with an open channel is closed first.
 * Returns 0. */
VELMO_API int VELMO_CALL addDev(int id);

/* Opens the controller with this id (one retry on failure) and starts its
 * reader. An already open channel of the id is closed first.
 * Returns 0 open, -1 the controller failed to open, -2 the id is not registered. */
VELMO_API int VELMO_CALL openKXDevice(int id);

/* Closes the id's channel; the id stays registered.
 * Returns 0, or -1 when the id has no open channel. */
VELMO_API int VELMO_CALL closeKXDevice(int id);

/* Closes the id if open and unregisters it. Returns the entries removed (0 or 1). */
VELMO_API int VELMO_CALL removeDev(int id);

/* ------------------------------------------------- motion and axis state */

/* Starts a positioning move to the target position (or by the relative
 * displacement when relative mode is on). 0 / -1 / -2. */
VELMO_API int VELMO_CALL startMove(int id, int axis);
/* Stops any motion of the axis. 0 / -1 / -2. */
VELMO_API int VELMO_CALL stopRuning(int id, int axis);
/* Starts homing. 0 / -1 / -2. */
VELMO_API int VELMO_CALL home(int id, int axis);
/* Starts a jog sequence; direction 1 positive, 2 negative. 0 / -1 / -2. */
VELMO_API int VELMO_CALL startJog(int id, int axis, int direction);
/* Starts continuous driving; direction 1 positive, 2 negative. 0 / -1 / -2. */
VELMO_API int VELMO_CALL startDrive(int id, int axis, int direction);
/* Starts a back-and-forth cycle sequence; direction 1 or 2. 0 / -1 / -2. */
VELMO_API int VELMO_CALL startCircle(int id, int axis, int direction);
/* Enables (1) or disables (0) the motor; the value is passed through. 0 / -1 / -2. */
VELMO_API int VELMO_CALL setMotorEnable(int id, int axis, int enable);
/* Sets the target position of the next absolute move. 0 / -1 / -2. */
VELMO_API int VELMO_CALL setTargetPos(int id, int axis, double position);
/* Returns the target position; *ok (may be null) is 1 on success, 0 on
 * failure, when -1.0 (not sent) or -2.0 (no valid reply) is returned. */
VELMO_API double VELMO_CALL getTargetPos(int id, int axis, char *ok);
/* Returns the current position; *status (may be null) is 0 on success, -1
 * when not sent, -2 without a valid reply; 0.0 is returned on failure. */
VELMO_API double VELMO_CALL getCurrentPos(int id, int axis, int *status);
/* Fills *state with the axis's running state. 0 / -1 / -2 (record untouched
 * on failure); -100 when state is null (nothing sent). */
VELMO_API int VELMO_CALL getRuningState(int id, int axis, MotorStageState *state);
/* Returns the current jog step index, -1 / -2 on failure. */
VELMO_API int VELMO_CALL getJogIndex(int id, int axis);
/* Returns the current cycle index, -1 / -2 on failure. */
VELMO_API int VELMO_CALL getCircleIndex(int id, int axis);

/* ------------------------------------------------------ axis parameters */
/* Setters return 0 / -1 / -2. Getters return the value, or -1 / -2 in the
 * value's type on failure (indistinguishable from a genuine -1 or -2). */

/* Motion speed (double). */
VELMO_API int VELMO_CALL setSpeed(int id, int axis, double value);
VELMO_API double VELMO_CALL getSpeed(int id, int axis);
/* Motion acceleration (double). */
VELMO_API int VELMO_CALL setAcceleration(int id, int axis, double value);
VELMO_API double VELMO_CALL getAcceleration(int id, int axis);
/* Relative displacement of a positioning move (double). */
VELMO_API int VELMO_CALL setRelativeDisp(int id, int axis, double value);
VELMO_API double VELMO_CALL getRelativeDisp(int id, int axis);
/* Relative mode on (1) or off (0); low 16 bits sent. */
VELMO_API int VELMO_CALL setRelativeDispEnable(int id, int axis, int enable);
VELMO_API int VELMO_CALL getRelativeDispEnable(int id, int axis);
/* Displacement of one jog step (double). */
VELMO_API int VELMO_CALL setJogStep(int id, int axis, double value);
VELMO_API double VELMO_CALL getJogStep(int id, int axis);
/* Pause between jog steps (32-bit integer). */
VELMO_API int VELMO_CALL setJogDelay(int id, int axis, int value);
VELMO_API int VELMO_CALL getJogDelay(int id, int axis);
/* Number of jog steps (32-bit integer). */
VELMO_API int VELMO_CALL setJogCount(int id, int axis, int value);
VELMO_API int VELMO_CALL getJogCount(int id, int axis);
/* Displacement of one cycle (double). */
VELMO_API int VELMO_CALL setCircleDisp(int id, int axis, double value);
VELMO_API double VELMO_CALL getCircleDisp(int id, int axis);
/* Number of cycles (32-bit integer). */
VELMO_API int VELMO_CALL setCircleCount(int id, int axis, int value);
VELMO_API int VELMO_CALL getCircleCount(int id, int axis);
/* Pause between cycles (32-bit integer). */
VELMO_API int VELMO_CALL setCircleDelay(int id, int axis, int value);
VELMO_API int VELMO_CALL getCircleDelay(int id, int axis);
/* Trigger input enable (16-bit value, low 16 bits sent). */
VELMO_API int VELMO_CALL setTriggerInEnable(int id, int axis, int value);
VELMO_API int VELMO_CALL getTriggerInEnable(int id, int axis);
/* Trigger output enable (16-bit value, low 16 bits sent). */
VELMO_API int VELMO_CALL setTriggerOutEnable(int id, int axis, int value);
VELMO_API int VELMO_CALL getTriggerOutEnable(int id, int axis);
/* Trigger step (double). The getter returns the value and leaves *status
 * alone on success; on failure returns 0.0 and sets *status (may be null) to
 * -1 (not sent) or -2 (no valid reply). */
VELMO_API int VELMO_CALL setTriggerStep(int id, int axis, double value);
VELMO_API double VELMO_CALL getTriggerStep(int id, int axis, int *status);
/* Unit type index of the axis (16-bit value). */
VELMO_API int VELMO_CALL setMotorUnitType(int id, int axis, int unitType);
VELMO_API int VELMO_CALL getMotorUnitType(int id, int axis);

/* Position compensation on or off: sends 1 when the low byte of `enable` is
 * non-zero, else 0. 0 / -1 / -2. */
VELMO_API int VELMO_CALL setPosConpenEnable(int id, int axis, int enable);
/* Reads the compensation switch into *enable (skipped when null). 0 / -1 / -2. */
VELMO_API int VELMO_CALL getPosConpenEnable(int id, int axis, short *enable);
/* Writes the compensation table of the positive (negative) direction: `count`
 * (low 16 bits) and always 10 points read from `points`, so pass 10 points
 * with the unused ones zero. 0 / -1 / -2; -3 when points is null. */
VELMO_API int VELMO_CALL setPositivePosConpen(int id, int axis, const PosConpenPoint *points, int count);
VELMO_API int VELMO_CALL setNegativePosConpen(int id, int axis, const PosConpenPoint *points, int count);
/* Reads a compensation table: stores the count (at most 10) in *count and
 * copies that many points into `points` (room for 10). 0 / -1 / -2; -3 when
 * points or count is null (checked after the reply arrived). */
VELMO_API int VELMO_CALL getPositivePosConpen(int id, int axis, PosConpenPoint *points, int *count);
VELMO_API int VELMO_CALL getNegativePosConpen(int id, int axis, PosConpenPoint *points, int *count);

/* Text fields travel as 32 bytes. Setters copy `length` bytes (at most 32; a
 * negative length or a null text sends an empty field) and return 0 / -1 / -2.
 * Getters need a buffer of at least 32 bytes and receive exactly 32 bytes,
 * not terminated when all are used: 0 / -1 / -2, -3 when size < 32 (the
 * request was sent, its reply is not awaited) or buffer is null (nothing sent). */

/* Motor serial number of the axis. */
VELMO_API int VELMO_CALL setMotorSerialNumber(int id, int axis, const char *text, int length);
VELMO_API int VELMO_CALL getMotorSerialNumber(int id, int axis, char *buffer, int size);
/* Motor (stage) model name of the axis. */
VELMO_API int VELMO_CALL setMotorModelName(int id, int axis, const char *text, int length);
VELMO_API int VELMO_CALL getMotorModelName(int id, int axis, char *buffer, int size);

/* ---------------------------------------------------- controller settings */

/* Controller model name; the controller's reply to the setter has no data. */
VELMO_API int VELMO_CALL setDevModelName(int id, const char *text, int length);
VELMO_API int VELMO_CALL getDevModelName(int id, char *buffer, int size);
/* Controller name: same command as setDevModelName, expecting a 2-byte reply. */
VELMO_API int VELMO_CALL setDeviceName(int id, const char *text, int length);
/* Controller serial number. */
VELMO_API int VELMO_CALL setDevSerialNumber(int id, const char *text, int length);
VELMO_API int VELMO_CALL getDevSerialNumber(int id, char *buffer, int size);
/* Firmware version text. */
VELMO_API int VELMO_CALL getDevSoftVersion(int id, char *buffer, int size);
/* Number of axes (16-bit). Setter 0 / -1 / -2; getter the count or -1 / -2. */
VELMO_API int VELMO_CALL setDevAxisCount(int id, int count);
VELMO_API int VELMO_CALL getDevAxisCount(int id);
/* Joystick enable (low 16 bits sent). The getter returns 1 when the low byte
 * of the controller's value is 1, else 0; -1 / -2 on failure. */
VELMO_API int VELMO_CALL setRockerEnable(int id, int enable);
VELMO_API int VELMO_CALL getRockerEnable(int id);
/* Joystick speed level (16-bit), or -1 / -2. */
VELMO_API int VELMO_CALL getRockerSpeed(int id);
/* Reads the joystick status (bit 0 = enabled), then the speed, into the
 * record. Returns 0, or the failing read's -1 / -2 with the record untouched;
 * -100 when state is null (nothing sent). */
VELMO_API int VELMO_CALL getRockerInfo(int id, CONTROLER_STATE *state);

/* ------------------------------------------- motor parameter block, ID chip */

/* Writes the 23 fields of the block one exchange each, in field order, then
 * closes the sequence. Returns 0, or for field k (1 = modelName .. 23 =
 * maxRockerSpeed) -(2k-1) when its request was not sent and -2k when it got
 * no valid reply; -60 / -61 for the closing step. Stops at the first failure. */
VELMO_API int VELMO_CALL setMotorParams(int id, int axis, MotorParams params);
/* Reads the 23 fields in the same order, filling each as it arrives. Returns
 * 0 or the failing step's code as for setMotorParams (fields after it keep
 * the caller's values); -100 when params is null (nothing sent). */
VELMO_API int VELMO_CALL getMotorParams(int id, int axis, MotorParams *params);
/* Asks whether the axis's stage identified itself: *detected receives the
 * controller's code (2 = programmed ID chip). 0 / -1 / -2; -100 when detected
 * is null (nothing sent). */
VELMO_API int VELMO_CALL getMotorAutoDetect(int id, int axis, char *detected);
/* Erases the axis's ID chip. 0 / -1 / -2. */
VELMO_API int VELMO_CALL setClearIDChip(int id, int axis);

#ifdef __cplusplus
}
#endif

#endif /* VELMO_LIBRARY_H */
