/*
 * Control API of the velmo virtual controller.
 *
 * The virtual controller is a stand-in for libusb-1.0 (it is built as
 * libusb-1.0.so.0). Programs that put its folder first on the library path
 * see virtual controllers instead of the USB bus. Tests link against it to
 * plug, unplug and break controllers and to inspect what the host wrote.
 *
 * Controllers are addressed by their device id, the decimal concatenation of
 * their USB port path (port path 1-4 is id 14), the same number the device
 * library reports. Every function is thread-safe. Functions taking a device id
 * return VSIM_ERR_NO_CONTROLLER when no controller has that id.
 *
 * Another process reaches the same controls through the control socket the
 * first libusb_init opens when VELMO_SIM_CONTROL names a path (line commands,
 * client build/bin/vsimctl; see sim/README.md).
 */
#ifndef VELMO_SIM_H
#define VELMO_SIM_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VSIM_API __declspec(dllexport)
#else
#define VSIM_API __attribute__((visibility("default")))
#endif

#define VSIM_OK 0
#define VSIM_ERR_NO_CONTROLLER (-1)
#define VSIM_ERR_BAD_SCENARIO (-2)
#define VSIM_ERR_ARGUMENT (-3)

/* Reply faults. A fault is armed for a function code (0 = any code) and a
 * number of replies (-1 = until cleared); each reply it shapes uses one. */
typedef enum vsim_fault {
    VSIM_FAULT_NONE = 0,
    VSIM_FAULT_NO_REPLY,          /* the request is swallowed */
    VSIM_FAULT_LATE_REPLY,        /* the reply is queued 250 ms after the request */
    VSIM_FAULT_WRONG_LENGTH,      /* two extra data bytes, consistent length field and checksum */
    VSIM_FAULT_BAD_CHECKSUM,      /* checksum matches neither variant */
    VSIM_FAULT_CHECKSUM_NO_MAGIC, /* checksum computed from offset 2 only */
    VSIM_FAULT_STATUS,            /* status word 0x0001 (command refused) */
    VSIM_FAULT_GARBAGE_BEFORE,    /* junk bytes (with stray 0xAA) before the reply, same read */
    VSIM_FAULT_GARBAGE_BETWEEN,   /* an unrelated valid frame, junk, then the reply, one read */
    VSIM_FAULT_SPLIT,             /* the reply arrives over three separate reads */
    VSIM_FAULT_TWO_IN_ONE_READ,   /* an unrelated valid frame and the reply in one read */
    VSIM_FAULT_OTHER_AXIS         /* the echoed axis is the request's axis + 1 */
} vsim_fault;

/* Reloads the virtual bus from a JSON scenario text; NULL loads the scenario
 * named by VELMO_SIM_SCENARIO, or the built-in default when that is unset.
 * Open handles of the previous bus become dead (transfers fail with
 * LIBUSB_ERROR_NO_DEVICE). Returns VSIM_OK or VSIM_ERR_BAD_SCENARIO. */
VSIM_API int vsim_load_scenario(const char *json);

/* Number of controllers on the virtual bus, plugged or not. */
VSIM_API int vsim_controller_count(void);

/* Unplugs (plugged = 0) or re-plugs (1) a controller. Unplugging removes it
 * from enumeration, fails its transfers with LIBUSB_ERROR_NO_DEVICE and wakes
 * any waiting IN transfer. Re-plugging makes it enumerable again as a new
 * device; handles opened before the unplug stay dead. */
VSIM_API int vsim_set_plugged(int dev_id, int plugged);

/* The next `times` libusb_open calls fail (-1 = every call, 0 = none). */
VSIM_API int vsim_fail_open(int dev_id, int times);

/* While on, libusb_claim_interface fails with LIBUSB_ERROR_BUSY and bulk
 * transfers on handles that could not claim fail the same way. */
VSIM_API int vsim_fail_claim(int dev_id, int on);

/* The next IN transfer fails with LIBUSB_ERROR_PIPE until the halt is cleared. */
VSIM_API int vsim_stall_in_once(int dev_id);

/* Arms a reply fault for `code` (0 = any) for `count` replies (-1 = always).
 * VSIM_FAULT_NONE clears every armed fault of the controller. */
VSIM_API int vsim_set_fault(int dev_id, vsim_fault fault, int code, int count);

/* Time between a request and its reply becoming readable (default 250 us). */
VSIM_API int vsim_set_latency_us(int dev_id, int microseconds);

/* Appends raw bytes to the controller's IN stream, readable at once. */
VSIM_API int vsim_push_in_bytes(int dev_id, const unsigned char *bytes, int length);

/* Frames the host wrote to the OUT endpoint, oldest first. */
VSIM_API int vsim_written_count(int dev_id);
/* Copies written frame `index` into buf (up to cap bytes); returns its full
 * length, or VSIM_ERR_ARGUMENT when there is no such frame. */
VSIM_API int vsim_written_frame(int dev_id, int index, unsigned char *buf, int cap);
/* Forgets the written frames and resets vsim_overlapping_requests. */
VSIM_API int vsim_clear_written(int dev_id);

/* Number of intact request frames the controller received while a reply to
 * an earlier request was still owed to the host: queued but not yet readable,
 * or readable but not yet read by an IN transfer. A host that keeps at most
 * one exchange per controller in flight scores 0; two threads talking to one
 * controller without a lock between them score more. A reply the host gave
 * up on (a late reply after its time-out) stays owed until it is read.
 * Bytes from vsim_push_in_bytes are no reply and never count. */
VSIM_API int vsim_overlapping_requests(int dev_id);

/* Number of libusb_open calls that succeeded on the controller so far. */
VSIM_API int vsim_open_count(int dev_id);
/* Number of currently open handles of the controller. */
VSIM_API int vsim_open_handles(int dev_id);

/* Sets the sensor failures an axis reports in its status word (bits 6, 7
 * and 8); a failed home sensor also makes homing refuse. Returns
 * VSIM_ERR_ARGUMENT for an axis the controller does not have. */
VSIM_API int vsim_set_sensor_faults(int dev_id, int axis, int negative_limit, int home, int positive_limit);

/* Puts an axis at a position at once, ending any motion (a stage moved by
 * hand while unpowered). Positions beyond the travel limits land on them. */
VSIM_API int vsim_set_axis_position(int dev_id, int axis, double position);

/* Number of libusb event handling calls (libusb_handle_events and its
 * variants) that have returned so far, on every thread. A host that sleeps in
 * event handling until a transfer completes adds few while its controllers
 * are idle. */
VSIM_API unsigned long long vsim_event_handling_returns(void);

#ifdef __cplusplus
}
#endif

#endif
