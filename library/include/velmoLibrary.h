/**
 * @file velmoLibrary.h
 * @brief velmoLibrary: host library for velmo desktop stepper-motor controllers.
 *
 * Plain C interface. A host lists the controllers on the USB bus, registers
 * and opens one by its device id, then runs commands; every command is one
 * request/reply exchange with the controller (the motor parameter block is a
 * fixed series of them).
 *
 * @par Calling order
 * @code
 *   listKXMotorControlerDevices -> addDev -> openKXDevice -> commands
 *   -> closeKXDevice -> removeDev
 * @endcode
 * A host without a Qt application of its own may call libraryInit() first and
 * libraryDeInit() last.
 *
 * @par Device ids, axes and units
 * Device id: the controller's USB port path written as decimal digits and read
 * as a number (root port 1, hub port 4 gives 14). Axis numbers are zero-based.
 * Positions, speeds and accelerations are in the axis's own unit (mm or
 * degrees) and are passed through unscaled.
 *
 * @par Results
 * 0 (or the value read) on success; -1 the request was not sent
 * (unknown or closed id, incomplete write); -2 no valid reply (nothing within
 * 200 ms, refused by the controller, wrong length or bad checksum, or an
 * earlier request of the same command still owed its reply, which could not
 * be told from this one's); -3 caller
 * buffer too small or null; -100 null record pointer, nothing sent. The motor
 * parameter block reports the failing step instead (see setMotorParams()).
 * The codes are listed in @ref results.
 *
 * @par Threads
 * Exports may be called from any thread, but at most one call per
 * controller at a time. The library keeps no pointer to caller memory after a
 * call returns and never hands out memory the caller must free.
 */

/**
 * @mainpage velmoLibrary API reference
 *
 * The plain C interface of the host library for velmo desktop stepper-motor
 * controllers: one header, velmoLibrary.h, and one library
 * (`libvelmoLibrary.so` on Linux, `velmoLibrary.dll` on Windows).
 *
 * - velmoLibrary.h: the calling order, device ids, units, results and the
 *   threading rule.
 * - @ref results "Result codes": what the exports return.
 * - The exports by topic: @ref registry, @ref motion, @ref parameters,
 *   @ref jog, @ref cycle, @ref trigger, @ref compensation, @ref identity,
 *   @ref joystick, @ref motorblock; the macros in @ref macros.
 *
 * A host lists the controllers, registers and opens one, runs its commands,
 * then closes and unregisters it:
 * @code{.c}
 * int ids[8];
 * if (listKXMotorControlerDevices(ids, 8) > 0) {
 *     addDev(ids[0]);
 *     if (openKXDevice(ids[0]) == 0) {
 *         int status = 0;
 *         double position = getCurrentPos(ids[0], 0, &status);
 *         closeKXDevice(ids[0]);
 *     }
 *     removeDev(ids[0]);
 * }
 * @endcode
 * At most one call per controller may run at a time; different controllers
 * may be used from different threads.
 */

/**
 * @defgroup results Result codes
 * @brief What the exports return.
 *
 * The codes are plain integers (no declarations exist for them):
 *
 * | Code | Meaning |
 * |------|---------|
 * | 0    | success (a getter returns the value read instead) |
 * | -1   | the request was not sent: unknown or closed device id, incomplete write |
 * | -2   | no valid reply: nothing within 200 ms, refused by the controller, wrong length or bad checksum; also while an earlier request of the same command is still owed its reply (given up a second after it was sent), since a late reply cannot be told from this request's |
 * | -3   | caller buffer too small or null (texts, compensation tables) |
 * | -100 | null record pointer; nothing was sent |
 *
 * Getters of a number return -1 or -2 in the value's type on failure, which
 * cannot be told from a genuine -1 or -2 reading; getTargetPos(),
 * getCurrentPos() and getTriggerStep() report success separately.
 *
 * The motor parameter block (setMotorParams(), getMotorParams()) reports the
 * failing step: for field k (1 = modelName .. 23 = maxRockerSpeed) -(2k-1)
 * when its request was not sent and -2k when it got no valid reply; -60 / -61
 * for the closing step of setMotorParams().
 *
 * @defgroup macros Export macros
 * @brief Linkage and calling convention of the exports.
 *
 * @defgroup registry Discovery and registry
 * @brief Library start-up, listing controllers, registering and opening them.
 *
 * @defgroup motion Motion and axis state
 * @brief Moves, homing, continuous drive, the enable switch, positions and the running state.
 *
 * @defgroup parameters Axis parameters
 * @brief Speed, acceleration, relative mode and the unit type of an axis.
 *
 * Setters return 0 / -1 / -2. Getters return the value, or -1 / -2 in the
 * value's type on failure (indistinguishable from a genuine -1 or -2).
 *
 * @defgroup jog Jog
 * @brief Jog sequences: a number of equal steps with a pause between them.
 *
 * @defgroup cycle Cycle
 * @brief Cycle sequences: out-and-back strokes with a pause at each end.
 *
 * @defgroup trigger Trigger
 * @brief Trigger input and output of an axis.
 *
 * @defgroup compensation Position compensation
 * @brief Compensation tables of up to 10 points per direction.
 *
 * @defgroup identity Identity texts and axis count
 * @brief Model names, serial numbers, firmware version and the number of axes.
 *
 * Text fields travel as 32 bytes. Setters copy `length` bytes (at most 32; a
 * negative length or a null text sends an empty field) and return 0 / -1 / -2.
 * Getters need a buffer of at least 32 bytes and receive exactly 32 bytes,
 * not terminated when all are used: 0 / -1 / -2, -3 when size < 32 (the
 * request was sent, its reply is not awaited) or buffer is null (nothing sent).
 *
 * @defgroup joystick Joystick
 * @brief The controller's joystick ("rocker"): enable switch and speed level.
 *
 * @defgroup motorblock Motor parameter block and ID chip
 * @brief The 23-field parameter block kept on a stage's ID chip.
 */
#ifndef VELMO_LIBRARY_H
#define VELMO_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

/* On Windows the exports use __cdecl and are imported from velmoLibrary.dll;
 * the library's own build defines VELMO_LIBRARY_BUILD to export them. */
#if defined(_WIN32)
#  define VELMO_CALL __cdecl
#  if defined(VELMO_LIBRARY_BUILD)
#    define VELMO_API __declspec(dllexport)
#  else
#    define VELMO_API __declspec(dllimport)
#  endif
#else
/** @ingroup macros
 * @brief Calling convention of every export: `__cdecl` on Windows, the
 * platform's C convention elsewhere (empty). */
#  define VELMO_CALL
/** @ingroup macros
 * @brief Linkage of every export: `__declspec(dllexport)` /
 * `__declspec(dllimport)` on Windows, default symbol visibility elsewhere. */
#  define VELMO_API __attribute__((visibility("default")))
#endif

/** @def VELMO_ALIGN8
 * @ingroup macros
 * @brief Puts a record's `double` at a multiple of 8 on every target, as on
 * x86-64 and 32-bit Windows: GCC and Clang on 32-bit x86 Linux would
 * otherwise use 4. Expands to `__attribute__((aligned(8)))` there and with
 * any GCC-compatible compiler (no change where 8 is already the rule), to
 * nothing elsewhere. */
#if defined(__GNUC__)
#  define VELMO_ALIGN8 __attribute__((aligned(8)))
#else
#  define VELMO_ALIGN8
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- records */

/**
 * @ingroup motion
 * @brief Running state of one axis, filled by getRuningState(). Flags hold 0 or 1.
 *
 * 24 bytes: nine 16-bit flags, 2 bytes of padding, then the 32-bit jog index
 * at offset 20.
 */
typedef struct MotorStageState {
    uint16_t isCanRun;        /**< the axis accepts a motion command (status bit 3) */
    uint16_t isStop;          /**< stopped (bit 0) */
    uint16_t isEnable;        /**< motor enabled (bit 1) */
    uint16_t isHome;          /**< homed (bit 2) */
    uint16_t isLeftLimit;     /**< negative limit reached (bit 4) */
    uint16_t isRightLimit;    /**< positive limit reached (bit 5) */
    uint16_t isNegLimitFault; /**< negative limit sensor failure (bit 6) */
    uint16_t isPosLimitFault; /**< positive limit sensor failure (bit 8) */
    uint16_t isHomeFault;     /**< home sensor failure (bit 7) */
    int32_t currentJog;       /**< current jog step index, 0 when no jog runs */
} MotorStageState;

/**
 * @ingroup joystick
 * @brief Joystick ("rocker") record of a controller, filled by getRockerInfo(). 4 bytes.
 */
typedef struct CONTROLER_STATE {
    uint8_t rockerEnabled; /**< 0 or 1 */
    uint8_t reserved;      /**< never written by the library */
    uint16_t rockerSpeed;  /**< speed level */
} CONTROLER_STATE;

/**
 * @ingroup motorblock
 * @brief Motor parameter block of one axis, as kept on the stage's ID chip.
 *
 * 168 bytes in natural alignment: 4 bytes of padding follow `pulse` and
 * `modifyDate` so that the doubles after them sit at multiples of 8.
 */
typedef struct MotorParams {
    char modelName[32];                 /**< stage model name, not terminated when full */
    char serialNumber[32];              /**< serial number, not terminated when full */
    uint32_t pulse;                     /**< pulses per motor revolution */
    double helicalPitch VELMO_ALIGN8;   /**< lead-screw pitch, travel per revolution */
    double restoreSpeed VELMO_ALIGN8;   /**< homing speed */
    int16_t motorType;                  /**< stage type index */
    int16_t pLimitPolarity;             /**< positive limit sensor polarity */
    int16_t nLimitPolarity;             /**< negative limit sensor polarity */
    int16_t zeroPolarity;               /**< home sensor polarity */
    int16_t direction;                  /**< motion direction */
    int16_t limitDirection;             /**< limit direction */
    int16_t unitType;                   /**< unit type index (mm, degrees) */
    char optOrder[10];                  /**< optical sensor order; the controller keeps 4 bytes */
    double maxSpeed VELMO_ALIGN8;       /**< maximum speed */
    double maxAcc VELMO_ALIGN8;         /**< maximum acceleration */
    double minPos VELMO_ALIGN8;         /**< travel limit, negative end */
    double maxPos VELMO_ALIGN8;         /**< travel limit, positive end */
    int16_t zoptWidth;                  /**< width of the home optical sensor */
    int16_t optNum;                     /**< number of optical sensors */
    int16_t returnTrip;                 /**< backlash in pulses */
    int16_t motorPhase;                 /**< number of motor phases */
    uint32_t modifyDate;                /**< date of the last change, as a number */
    double maxRockerSpeed VELMO_ALIGN8; /**< maximum joystick speed */
} MotorParams;

/**
 * @ingroup compensation
 * @brief One position-compensation point; a table holds at most 10 per direction.
 */
typedef struct PosConpenPoint {
    double expectPos VELMO_ALIGN8; /**< commanded position */
    double actualPos VELMO_ALIGN8; /**< position actually reached */
} PosConpenPoint;

/* The records' layout is part of the binary interface; pin it on x86-64 and
 * 32-bit x86, where it is the same. VELMO_LAYOUT_CHECK is local to this block. */
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
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
/** @addtogroup registry
 * @{ */

/**
 * @brief Gives a host without a Qt application the application object the
 * library needs.
 *
 * Runs its event loop once and returns its exit code. Repeated calls reuse the
 * existing application object. A host that already has a Qt application does
 * not need to call it; its application object and event loop are left alone.
 * @return 0.
 */
VELMO_API int VELMO_CALL libraryInit(void);

/**
 * @brief Deletes the application object created by libraryInit(), if any.
 *
 * An application object of the host's own is left alone. The library also
 * deletes its own application object when the program exits, so the call is
 * optional.
 */
VELMO_API void VELMO_CALL libraryDeInit(void);

/**
 * @brief Lists the controllers on the bus.
 *
 * Writes up to `capacity` device ids into `ids`; nothing is written when ids
 * is null or capacity <= 0.
 * @param[out] ids      room for `capacity` device ids, or null to only count
 * @param[in]  capacity number of ids that fit in `ids`
 * @return How many controllers were found, which may exceed the capacity.
 */
VELMO_API int VELMO_CALL listKXMotorControlerDevices(int *ids, int capacity);

/**
 * @brief Registers a device id (closed).
 *
 * An id with an open channel is closed first.
 * @param[in] id device id from listKXMotorControlerDevices()
 * @return 0.
 */
VELMO_API int VELMO_CALL addDev(int id);

/**
 * @brief Opens the controller with this id and starts its reader.
 *
 * Tries once more when the first attempt fails. An already open channel of the
 * id is closed first.
 * @param[in] id registered device id
 * @return 0 open, -1 the controller failed to open, -2 the id is not registered.
 */
VELMO_API int VELMO_CALL openKXDevice(int id);

/**
 * @brief Closes the id's channel; the id stays registered.
 * @param[in] id device id
 * @return 0, or -1 when the id has no open channel.
 */
VELMO_API int VELMO_CALL closeKXDevice(int id);

/**
 * @brief Closes the id if open and unregisters it.
 * @param[in] id device id
 * @return The entries removed (0 or 1).
 */
VELMO_API int VELMO_CALL removeDev(int id);

/** @} */

/* ------------------------------------------------- motion and axis state */
/** @addtogroup motion
 * @{ */

/**
 * @brief Starts a positioning move to the target position (or by the
 * relative displacement when relative mode is on).
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return 0, -1 not sent, -2 no valid reply (also when the controller refuses:
 *         axis disabled or already running).
 */
VELMO_API int VELMO_CALL startMove(int id, int axis);
/**
 * @brief Stops any motion of the axis; it brakes at its acceleration.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL stopRuning(int id, int axis);
/**
 * @brief Starts homing.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL home(int id, int axis);
/**
 * @ingroup jog
 * @brief Starts a jog sequence with the axis's jog step, delay and count.
 * @param[in] id        device id of an open controller
 * @param[in] axis      zero-based axis number
 * @param[in] direction 1 positive, 2 negative
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL startJog(int id, int axis, int direction);
/**
 * @brief Starts continuous driving until stopRuning() (in relative mode, by
 * the relative displacement).
 * @param[in] id        device id of an open controller
 * @param[in] axis      zero-based axis number
 * @param[in] direction 1 positive, 2 negative
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL startDrive(int id, int axis, int direction);
/**
 * @ingroup cycle
 * @brief Starts a back-and-forth cycle sequence with the axis's cycle
 * displacement, count and delay.
 * @param[in] id        device id of an open controller
 * @param[in] axis      zero-based axis number
 * @param[in] direction 1 positive, 2 negative
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL startCircle(int id, int axis, int direction);
/**
 * @brief Enables or disables the motor.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] enable 1 enable, 0 disable; the value is passed through
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setMotorEnable(int id, int axis, int enable);
/**
 * @brief Sets the target position of the next absolute move.
 * @param[in] id       device id of an open controller
 * @param[in] axis     zero-based axis number
 * @param[in] position target in the axis's unit
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setTargetPos(int id, int axis, double position);
/**
 * @brief Reads the target position.
 * @param[in]  id   device id of an open controller
 * @param[in]  axis zero-based axis number
 * @param[out] ok   receives 1 on success, 0 on failure; may be null
 * @return The target position; -1.0 when not sent, -2.0 without a valid reply.
 */
VELMO_API double VELMO_CALL getTargetPos(int id, int axis, char *ok);
/**
 * @brief Reads the current position.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] status receives 0 on success, -1 when not sent, -2 without a
 *                    valid reply; may be null
 * @return The current position, or 0.0 on failure.
 */
VELMO_API double VELMO_CALL getCurrentPos(int id, int axis, int *status);
/**
 * @brief Fills a record with the axis's running state.
 * @param[in]  id    device id of an open controller
 * @param[in]  axis  zero-based axis number
 * @param[out] state the record to fill; untouched on failure
 * @return 0, -1 not sent, -2 no valid reply; -100 when state is null (nothing sent).
 */
VELMO_API int VELMO_CALL getRuningState(int id, int axis, MotorStageState *state);
/**
 * @ingroup jog
 * @brief Reads the current jog step index (1..n while a jog runs, 0 after).
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The index, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getJogIndex(int id, int axis);
/**
 * @ingroup cycle
 * @brief Reads the current cycle index (1..n while a cycle runs, 0 after).
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The index, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getCircleIndex(int id, int axis);

/** @} */

/* ------------------------------------------------------ axis parameters */
/* Setters return 0 / -1 / -2. Getters return the value, or -1 / -2 in the
 * value's type on failure (indistinguishable from a genuine -1 or -2). */
/** @addtogroup parameters
 * @{ */

/**
 * @brief Sets the motion speed.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value speed in the axis's unit per second
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setSpeed(int id, int axis, double value);
/**
 * @brief Reads the motion speed.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The speed, or -1.0 / -2.0 on failure.
 */
VELMO_API double VELMO_CALL getSpeed(int id, int axis);
/**
 * @brief Sets the motion acceleration.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value acceleration in the axis's unit per second squared
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setAcceleration(int id, int axis, double value);
/**
 * @brief Reads the motion acceleration.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The acceleration, or -1.0 / -2.0 on failure.
 */
VELMO_API double VELMO_CALL getAcceleration(int id, int axis);
/**
 * @brief Sets the relative displacement of a positioning move.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value displacement in the axis's unit, signed
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setRelativeDisp(int id, int axis, double value);
/**
 * @brief Reads the relative displacement.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The displacement, or -1.0 / -2.0 on failure.
 */
VELMO_API double VELMO_CALL getRelativeDisp(int id, int axis);
/**
 * @brief Switches relative mode on or off.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] enable 1 on, 0 off; low 16 bits sent
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setRelativeDispEnable(int id, int axis, int enable);
/**
 * @brief Reads the relative mode switch.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return 1 on, 0 off, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getRelativeDispEnable(int id, int axis);
/** @} */

/** @addtogroup jog
 * @{ */
/**
 * @brief Sets the displacement of one jog step.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value step in the axis's unit
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setJogStep(int id, int axis, double value);
/**
 * @brief Reads the displacement of one jog step.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The step, or -1.0 / -2.0 on failure.
 */
VELMO_API double VELMO_CALL getJogStep(int id, int axis);
/**
 * @brief Sets the pause between jog steps.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value pause in milliseconds (32-bit integer)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setJogDelay(int id, int axis, int value);
/**
 * @brief Reads the pause between jog steps.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The pause in milliseconds, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getJogDelay(int id, int axis);
/**
 * @brief Sets the number of jog steps.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value number of steps (32-bit integer, above 0)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setJogCount(int id, int axis, int value);
/**
 * @brief Reads the number of jog steps.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The count, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getJogCount(int id, int axis);
/** @} */

/** @addtogroup cycle
 * @{ */
/**
 * @brief Sets the displacement of one cycle stroke.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value stroke in the axis's unit
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setCircleDisp(int id, int axis, double value);
/**
 * @brief Reads the displacement of one cycle stroke.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The stroke, or -1.0 / -2.0 on failure.
 */
VELMO_API double VELMO_CALL getCircleDisp(int id, int axis);
/**
 * @brief Sets the number of cycles.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value number of out-and-back cycles (32-bit integer, above 0)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setCircleCount(int id, int axis, int value);
/**
 * @brief Reads the number of cycles.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The count, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getCircleCount(int id, int axis);
/**
 * @brief Sets the pause at each end of a cycle stroke.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value pause in milliseconds (32-bit integer)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setCircleDelay(int id, int axis, int value);
/**
 * @brief Reads the pause at each end of a cycle stroke.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The pause in milliseconds, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getCircleDelay(int id, int axis);
/** @} */

/** @addtogroup trigger
 * @{ */
/**
 * @brief Switches the trigger input on or off.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value 1 on, 0 off (16-bit value, low 16 bits sent)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setTriggerInEnable(int id, int axis, int value);
/**
 * @brief Reads the trigger input switch.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The 16-bit value, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getTriggerInEnable(int id, int axis);
/**
 * @brief Switches the trigger output on or off.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value 1 on, 0 off (16-bit value, low 16 bits sent)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setTriggerOutEnable(int id, int axis, int value);
/**
 * @brief Reads the trigger output switch.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The 16-bit value, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getTriggerOutEnable(int id, int axis);
/**
 * @brief Sets the trigger step.
 * @param[in] id    device id of an open controller
 * @param[in] axis  zero-based axis number
 * @param[in] value step in the axis's unit
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setTriggerStep(int id, int axis, double value);
/**
 * @brief Reads the trigger step.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] status left alone on success; set to -1 (not sent) or -2 (no
 *                    valid reply) on failure; may be null
 * @return The step, or 0.0 on failure.
 */
VELMO_API double VELMO_CALL getTriggerStep(int id, int axis, int *status);
/** @} */

/** @addtogroup parameters
 * @{ */
/**
 * @brief Sets the unit type index of the axis (0 mm, 1 degrees).
 * @param[in] id       device id of an open controller
 * @param[in] axis     zero-based axis number
 * @param[in] unitType unit type index (16-bit value)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setMotorUnitType(int id, int axis, int unitType);
/**
 * @brief Reads the unit type index of the axis.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return The index, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getMotorUnitType(int id, int axis);
/** @} */

/** @addtogroup compensation
 * @{ */
/**
 * @brief Switches position compensation on or off.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] enable 1 is sent when its low byte is non-zero, else 0
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setPosConpenEnable(int id, int axis, int enable);
/**
 * @brief Reads the compensation switch.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] enable receives the switch; skipped when null
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL getPosConpenEnable(int id, int axis, short *enable);
/**
 * @brief Writes the compensation table of the positive direction.
 *
 * Always 10 points are read from `points`, so pass 10 points with the unused
 * ones zero.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] points 10 points
 * @param[in] count  number of points in use (low 16 bits sent)
 * @return 0, -1 not sent, -2 no valid reply; -3 when points is null.
 */
VELMO_API int VELMO_CALL setPositivePosConpen(int id, int axis, const PosConpenPoint *points, int count);
/**
 * @brief Writes the compensation table of the negative direction.
 *
 * Always 10 points are read from `points`, so pass 10 points with the unused
 * ones zero.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] points 10 points
 * @param[in] count  number of points in use (low 16 bits sent)
 * @return 0, -1 not sent, -2 no valid reply; -3 when points is null.
 */
VELMO_API int VELMO_CALL setNegativePosConpen(int id, int axis, const PosConpenPoint *points, int count);
/**
 * @brief Reads the compensation table of the positive direction.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] points room for 10 points; receives `*count` of them
 * @param[out] count  receives the number of points (at most 10)
 * @return 0, -1 not sent, -2 no valid reply; -3 when points or count is null
 *         (checked after the reply arrived).
 */
VELMO_API int VELMO_CALL getPositivePosConpen(int id, int axis, PosConpenPoint *points, int *count);
/**
 * @brief Reads the compensation table of the negative direction.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] points room for 10 points; receives `*count` of them
 * @param[out] count  receives the number of points (at most 10)
 * @return 0, -1 not sent, -2 no valid reply; -3 when points or count is null
 *         (checked after the reply arrived).
 */
VELMO_API int VELMO_CALL getNegativePosConpen(int id, int axis, PosConpenPoint *points, int *count);
/** @} */

/* Text fields travel as 32 bytes. Setters copy `length` bytes (at most 32; a
 * negative length or a null text sends an empty field) and return 0 / -1 / -2.
 * Getters need a buffer of at least 32 bytes and receive exactly 32 bytes,
 * not terminated when all are used: 0 / -1 / -2, -3 when size < 32 (the
 * request was sent, its reply is not awaited) or buffer is null (nothing sent). */
/** @addtogroup identity
 * @{ */

/**
 * @brief Writes the motor serial number of the axis.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] text   the text; null sends an empty field
 * @param[in] length bytes to copy, at most 32; negative sends an empty field
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setMotorSerialNumber(int id, int axis, const char *text, int length);
/**
 * @brief Reads the motor serial number of the axis.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] buffer receives exactly 32 bytes, not terminated when all are used
 * @param[in]  size   size of `buffer`, at least 32
 * @return 0, -1 not sent, -2 no valid reply; -3 when size < 32 or buffer is null.
 */
VELMO_API int VELMO_CALL getMotorSerialNumber(int id, int axis, char *buffer, int size);
/**
 * @brief Writes the motor (stage) model name of the axis.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] text   the text; null sends an empty field
 * @param[in] length bytes to copy, at most 32; negative sends an empty field
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setMotorModelName(int id, int axis, const char *text, int length);
/**
 * @brief Reads the motor (stage) model name of the axis.
 * @param[in]  id     device id of an open controller
 * @param[in]  axis   zero-based axis number
 * @param[out] buffer receives exactly 32 bytes, not terminated when all are used
 * @param[in]  size   size of `buffer`, at least 32
 * @return 0, -1 not sent, -2 no valid reply; -3 when size < 32 or buffer is null.
 */
VELMO_API int VELMO_CALL getMotorModelName(int id, int axis, char *buffer, int size);

/* ---------------------------------------------------- controller settings */

/**
 * @brief Writes the controller model name; the controller's reply has no data.
 * @param[in] id     device id of an open controller
 * @param[in] text   the text; null sends an empty field
 * @param[in] length bytes to copy, at most 32; negative sends an empty field
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setDevModelName(int id, const char *text, int length);
/**
 * @brief Reads the controller model name.
 * @param[in]  id     device id of an open controller
 * @param[out] buffer receives exactly 32 bytes, not terminated when all are used
 * @param[in]  size   size of `buffer`, at least 32
 * @return 0, -1 not sent, -2 no valid reply; -3 when size < 32 or buffer is null.
 */
VELMO_API int VELMO_CALL getDevModelName(int id, char *buffer, int size);
/**
 * @brief Writes the controller name: same command as setDevModelName(),
 * expecting a 2-byte reply.
 * @param[in] id     device id of an open controller
 * @param[in] text   the text; null sends an empty field
 * @param[in] length bytes to copy, at most 32; negative sends an empty field
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setDeviceName(int id, const char *text, int length);
/**
 * @brief Writes the controller serial number.
 * @param[in] id     device id of an open controller
 * @param[in] text   the text; null sends an empty field
 * @param[in] length bytes to copy, at most 32; negative sends an empty field
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setDevSerialNumber(int id, const char *text, int length);
/**
 * @brief Reads the controller serial number.
 * @param[in]  id     device id of an open controller
 * @param[out] buffer receives exactly 32 bytes, not terminated when all are used
 * @param[in]  size   size of `buffer`, at least 32
 * @return 0, -1 not sent, -2 no valid reply; -3 when size < 32 or buffer is null.
 */
VELMO_API int VELMO_CALL getDevSerialNumber(int id, char *buffer, int size);
/**
 * @brief Reads the firmware version text.
 * @param[in]  id     device id of an open controller
 * @param[out] buffer receives exactly 32 bytes, not terminated when all are used
 * @param[in]  size   size of `buffer`, at least 32
 * @return 0, -1 not sent, -2 no valid reply; -3 when size < 32 or buffer is null.
 */
VELMO_API int VELMO_CALL getDevSoftVersion(int id, char *buffer, int size);
/**
 * @brief Sets the number of axes.
 * @param[in] id    device id of an open controller
 * @param[in] count number of axes (16-bit, 1..16)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setDevAxisCount(int id, int count);
/**
 * @brief Reads the number of axes.
 * @param[in] id device id of an open controller
 * @return The count, or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getDevAxisCount(int id);
/** @} */

/** @addtogroup joystick
 * @{ */
/**
 * @brief Switches the joystick on or off.
 * @param[in] id     device id of an open controller
 * @param[in] enable 1 on, 0 off (low 16 bits sent)
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setRockerEnable(int id, int enable);
/**
 * @brief Reads the joystick switch.
 * @param[in] id device id of an open controller
 * @return 1 when the low byte of the controller's value is 1, else 0;
 *         -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getRockerEnable(int id);
/**
 * @brief Reads the joystick speed level.
 * @param[in] id device id of an open controller
 * @return The speed level (16-bit), or -1 / -2 on failure.
 */
VELMO_API int VELMO_CALL getRockerSpeed(int id);
/**
 * @brief Reads the joystick status (bit 0 = enabled), then the speed, into
 * the record.
 * @param[in]  id    device id of an open controller
 * @param[out] state the record to fill; untouched on failure
 * @return 0, or the failing read's -1 / -2; -100 when state is null (nothing sent).
 */
VELMO_API int VELMO_CALL getRockerInfo(int id, CONTROLER_STATE *state);
/** @} */

/* ------------------------------------------- motor parameter block, ID chip */
/** @addtogroup motorblock
 * @{ */

/**
 * @brief Writes the 23 fields of the block one exchange each, in field order,
 * then closes the sequence. Stops at the first failure.
 * @param[in] id     device id of an open controller
 * @param[in] axis   zero-based axis number
 * @param[in] params the block, passed by value
 * @return 0, or for field k (1 = modelName .. 23 = maxRockerSpeed) -(2k-1)
 *         when its request was not sent and -2k when it got no valid reply;
 *         -60 / -61 for the closing step.
 */
VELMO_API int VELMO_CALL setMotorParams(int id, int axis, MotorParams params);
/**
 * @brief Reads the 23 fields in the same order, filling each as it arrives.
 * @param[in]     id     device id of an open controller
 * @param[in]     axis   zero-based axis number
 * @param[in,out] params the block to fill; fields after a failing one keep the
 *                       caller's values
 * @return 0 or the failing step's code as for setMotorParams(); -100 when
 *         params is null (nothing sent).
 */
VELMO_API int VELMO_CALL getMotorParams(int id, int axis, MotorParams *params);
/**
 * @brief Asks whether the axis's stage identified itself.
 * @param[in]  id       device id of an open controller
 * @param[in]  axis     zero-based axis number
 * @param[out] detected receives the controller's code (2 = programmed ID chip)
 * @return 0, -1 not sent, -2 no valid reply; -100 when detected is null
 *         (nothing sent).
 */
VELMO_API int VELMO_CALL getMotorAutoDetect(int id, int axis, char *detected);
/**
 * @brief Erases the axis's ID chip.
 * @param[in] id   device id of an open controller
 * @param[in] axis zero-based axis number
 * @return 0, -1 not sent, -2 no valid reply.
 */
VELMO_API int VELMO_CALL setClearIDChip(int id, int axis);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* VELMO_LIBRARY_H */
