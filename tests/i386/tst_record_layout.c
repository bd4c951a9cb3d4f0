/* The records as a 32-bit x86 host sees them: the same offsets, sizes and
 * alignments as on x86-64 and 32-bit Windows, so a host that lays them out
 * by hand (ctypes, P/Invoke, LabVIEW clusters) reads what the library wrote.
 * Runs against the virtual controller's default controller (id 14). */
#include "velmoLibrary.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

static void expectSize(const char *what, size_t actual, size_t expected)
{
    if (actual != expected) {
        fprintf(stderr, "%s is %u, expected %u\n", what, (unsigned)actual, (unsigned)expected);
        ++failures;
    }
}

/* A double at a fixed byte offset of a record, read without the compiler's layout. */
static double doubleAt(const void *record, size_t offset)
{
    double value;
    memcpy(&value, (const unsigned char *)record + offset, sizeof value);
    return value;
}

static void expectDoubleAt(const char *what, const void *record, size_t offset, double expected)
{
    const double value = doubleAt(record, offset);
    const double difference = value > expected ? value - expected : expected - value;
    if (!(difference < 1e-6)) { /* the wire may round; a wrong offset reads another field */
        fprintf(stderr, "%s at byte %u is %g, expected %g\n", what, (unsigned)offset, value, expected);
        ++failures;
    }
}

typedef struct {
    char lead;
    MotorParams params;
} AfterOneByte;

int main(void)
{
    const int id = 14;
    const int axis = 0;
    MotorParams params;
    MotorParams back;
    PosConpenPoint points[2];
    int ids[4];
    int count = 0;

    expectSize("sizeof(void *)", sizeof(void *), 4);
    /* Sizes and offsets are pinned by the header's own checks; what they
     * cannot see is the record's alignment: after a char it starts at 8. */
    expectSize("MotorParams after a char", offsetof(AfterOneByte, params), 8);

    if (listKXMotorControlerDevices(ids, 4) < 1 || addDev(id) != 0 || openKXDevice(id) != 0) {
        fprintf(stderr, "no virtual controller %d\n", id);
        return 1;
    }
    memset(&params, 0, sizeof params);
    strcpy(params.modelName, "I386-STAGE");
    params.pulse = 6400;
    params.helicalPitch = 1.25;
    params.restoreSpeed = 2.5;
    params.maxSpeed = 12.0;
    params.maxAcc = 48.0;
    params.minPos = -5.0;
    params.maxPos = 45.0;
    params.modifyDate = 20261208u;
    params.maxRockerSpeed = 3.5;
    if (setMotorParams(id, axis, params) != 0 || getMotorParams(id, axis, &back) != 0) {
        fprintf(stderr, "the motor parameter block did not go through\n");
        ++failures;
    } else {
        /* Byte offsets of x86-64: what a hand-made layout would read. */
        expectDoubleAt("helicalPitch", &back, 72, 1.25);
        expectDoubleAt("restoreSpeed", &back, 80, 2.5);
        expectDoubleAt("maxSpeed", &back, 112, 12.0);
        expectDoubleAt("maxAcc", &back, 120, 48.0);
        expectDoubleAt("minPos", &back, 128, -5.0);
        expectDoubleAt("maxPos", &back, 136, 45.0);
        expectDoubleAt("maxRockerSpeed", &back, 160, 3.5);
    }

    points[0].expectPos = 10.0;
    points[0].actualPos = 10.25;
    points[1].expectPos = 20.0;
    points[1].actualPos = 19.5;
    if (setPositivePosConpen(id, axis, points, 2) != 0) {
        fprintf(stderr, "the compensation table was not sent\n");
        ++failures;
    } else {
        PosConpenPoint read[10];
        memset(read, 0, sizeof read);
        count = 10;
        if (getPositivePosConpen(id, axis, read, &count) != 0 || count != 2) {
            fprintf(stderr, "the compensation table did not come back (%d points)\n", count);
            ++failures;
        } else {
            expectDoubleAt("point 1 actualPos", read, 24, 19.5);
        }
    }

    closeKXDevice(id);
    removeDev(id);
    if (failures)
        fprintf(stderr, "%d failure(s)\n", failures);
    else
        printf("record layout OK on 32-bit x86\n");
    return failures ? 1 : 0;
}
