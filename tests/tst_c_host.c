/* A plain C host: includes only the public header and calls every export
 * against the virtual controller's default controller (id 14, three axes). */
#include "velmoLibrary.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond)                                                                                    \
    do {                                                                                               \
        if (!(cond)) {                                                                                 \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                   \
            ++failures;                                                                                \
        }                                                                                              \
    } while (0)

#define CHECK_EQ_INT(actual, expected)                                                                 \
    do {                                                                                               \
        const long long a_ = (long long)(actual), e_ = (long long)(expected);                          \
        if (a_ != e_) {                                                                                \
            fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", __FILE__, __LINE__, #actual, a_, e_); \
            ++failures;                                                                                \
        }                                                                                              \
    } while (0)

#define CHECK_NEAR(actual, expected)                                                                   \
    do {                                                                                               \
        const double a_ = (actual), e_ = (expected);                                                   \
        if (fabs(a_ - e_) > 1e-9) {                                                                    \
            fprintf(stderr, "%s:%d: %s is %g, expected %g\n", __FILE__, __LINE__, #actual, a_, e_);    \
            ++failures;                                                                                \
        }                                                                                              \
    } while (0)

enum { ID = 14, AXIS = 2 };

static void lifecycle(void)
{
    int ids[4] = {0};
    CHECK_EQ_INT(libraryInit(), 0);
    CHECK_EQ_INT(listKXMotorControlerDevices(ids, 4), 1);
    CHECK_EQ_INT(ids[0], ID);
    CHECK_EQ_INT(closeKXDevice(ID), -1);
    CHECK_EQ_INT(openKXDevice(ID), -2);
    CHECK_EQ_INT(addDev(ID), 0);
    CHECK_EQ_INT(openKXDevice(ID), 0);
}

/* Stops the axis and waits until it stands still: a braking axis refuses
 * new motion. */
static void stopAndSettle(void)
{
    MotorStageState state;
    int polls;
    CHECK_EQ_INT(stopRuning(ID, AXIS), 0);
    for (polls = 0; polls < 20000; ++polls) {
        if (getRuningState(ID, AXIS, &state) == 0 && state.isStop)
            return;
    }
    CHECK(!"axis did not stop");
}

static void motion(void)
{
    MotorStageState state;
    char ok = 0;
    int status = 99;
    CHECK_EQ_INT(setMotorEnable(ID, AXIS, 1), 0);
    CHECK_EQ_INT(setTargetPos(ID, AXIS, 0.0), 0);
    CHECK_NEAR(getTargetPos(ID, AXIS, &ok), 0.0);
    CHECK_EQ_INT(ok, 1);
    CHECK_EQ_INT(startMove(ID, AXIS), 0);
    stopAndSettle();
    (void)getCurrentPos(ID, AXIS, &status);
    CHECK_EQ_INT(status, 0);
    memset(&state, 0xFF, sizeof state);
    CHECK_EQ_INT(getRuningState(ID, AXIS, &state), 0);
    CHECK(state.isEnable == 1);
    CHECK(state.isStop <= 1 && state.isCanRun <= 1 && state.isHome <= 1);
    CHECK_EQ_INT(getRuningState(ID, AXIS, NULL), -100);
    CHECK(getJogIndex(ID, AXIS) >= 0);
    CHECK(getCircleIndex(ID, AXIS) >= 0);
    CHECK_EQ_INT(home(ID, AXIS), 0);
    stopAndSettle();
    CHECK_EQ_INT(setJogStep(ID, AXIS, 0.01), 0);
    CHECK_EQ_INT(setJogCount(ID, AXIS, 1), 0);
    CHECK_EQ_INT(startJog(ID, AXIS, 1), 0);
    stopAndSettle();
    CHECK_EQ_INT(startDrive(ID, AXIS, 2), 0);
    stopAndSettle();
    CHECK_EQ_INT(setCircleDisp(ID, AXIS, 0.01), 0);
    CHECK_EQ_INT(setCircleCount(ID, AXIS, 1), 0);
    CHECK_EQ_INT(startCircle(ID, AXIS, 1), 0);
    stopAndSettle();
}

static void axisParameters(void)
{
    int status = 0;
    short enabled = -1;
    CHECK_EQ_INT(setSpeed(ID, AXIS, 3.25), 0);
    CHECK_NEAR(getSpeed(ID, AXIS), 3.25);
    CHECK_EQ_INT(setAcceleration(ID, AXIS, 12.5), 0);
    CHECK_NEAR(getAcceleration(ID, AXIS), 12.5);
    CHECK_EQ_INT(setRelativeDisp(ID, AXIS, -1.5), 0);
    CHECK_NEAR(getRelativeDisp(ID, AXIS), -1.5);
    CHECK_EQ_INT(setRelativeDispEnable(ID, AXIS, 0), 0);
    CHECK_EQ_INT(getRelativeDispEnable(ID, AXIS), 0);
    CHECK_EQ_INT(setJogStep(ID, AXIS, 0.125), 0);
    CHECK_NEAR(getJogStep(ID, AXIS), 0.125);
    CHECK_EQ_INT(setJogDelay(ID, AXIS, 30), 0);
    CHECK_EQ_INT(getJogDelay(ID, AXIS), 30);
    CHECK_EQ_INT(setJogCount(ID, AXIS, 4), 0);
    CHECK_EQ_INT(getJogCount(ID, AXIS), 4);
    CHECK_EQ_INT(setCircleDisp(ID, AXIS, 2.5), 0);
    CHECK_NEAR(getCircleDisp(ID, AXIS), 2.5);
    CHECK_EQ_INT(setCircleCount(ID, AXIS, 3), 0);
    CHECK_EQ_INT(getCircleCount(ID, AXIS), 3);
    CHECK_EQ_INT(setCircleDelay(ID, AXIS, 40), 0);
    CHECK_EQ_INT(getCircleDelay(ID, AXIS), 40);
    CHECK_EQ_INT(setTriggerInEnable(ID, AXIS, 1), 0);
    CHECK_EQ_INT(getTriggerInEnable(ID, AXIS), 1);
    CHECK_EQ_INT(setTriggerOutEnable(ID, AXIS, 1), 0);
    CHECK_EQ_INT(getTriggerOutEnable(ID, AXIS), 1);
    CHECK_EQ_INT(setTriggerStep(ID, AXIS, 0.75), 0);
    CHECK_NEAR(getTriggerStep(ID, AXIS, &status), 0.75);
    CHECK_EQ_INT(status, 0);
    CHECK_EQ_INT(setMotorUnitType(ID, AXIS, 1), 0);
    CHECK_EQ_INT(getMotorUnitType(ID, AXIS), 1);
    CHECK_EQ_INT(setPosConpenEnable(ID, AXIS, 256), 0); /* low byte 0: off */
    CHECK_EQ_INT(getPosConpenEnable(ID, AXIS, &enabled), 0);
    CHECK_EQ_INT(enabled, 0);
    CHECK_EQ_INT(setPosConpenEnable(ID, AXIS, 1), 0);
    CHECK_EQ_INT(getPosConpenEnable(ID, AXIS, &enabled), 0);
    CHECK_EQ_INT(enabled, 1);
    CHECK_EQ_INT(getPosConpenEnable(ID, AXIS, NULL), 0);
}

static void compensation(void)
{
    PosConpenPoint points[10];
    PosConpenPoint back[10];
    int count = -1;
    int i;
    memset(points, 0, sizeof points);
    for (i = 0; i < 3; ++i) {
        points[i].expectPos = i * 10.0;
        points[i].actualPos = i * 10.0 + 0.01;
    }
    CHECK_EQ_INT(setPositivePosConpen(ID, AXIS, points, 3), 0);
    memset(back, 0, sizeof back);
    CHECK_EQ_INT(getPositivePosConpen(ID, AXIS, back, &count), 0);
    CHECK_EQ_INT(count, 3);
    CHECK_NEAR(back[2].actualPos, 20.01);
    CHECK_EQ_INT(setNegativePosConpen(ID, AXIS, points, 0), 0);
    CHECK_EQ_INT(getNegativePosConpen(ID, AXIS, back, &count), 0);
    CHECK_EQ_INT(count, 0);
    CHECK_EQ_INT(getNegativePosConpen(ID, AXIS, NULL, &count), -3);
    CHECK_EQ_INT(setNegativePosConpen(ID, AXIS, NULL, 1), -3);
    /* A count above the table size is clamped: never more than 10 points. */
    CHECK_EQ_INT(setPositivePosConpen(ID, AXIS, points, 25), 0);
    CHECK_EQ_INT(getPositivePosConpen(ID, AXIS, back, &count), 0);
    CHECK_EQ_INT(count, 10);
}

static void texts(void)
{
    char buffer[40];
    CHECK_EQ_INT(setMotorSerialNumber(ID, AXIS, "SN-3", 4), 0);
    memset(buffer, 0, sizeof buffer);
    CHECK_EQ_INT(getMotorSerialNumber(ID, AXIS, buffer, 32), 0);
    CHECK(strcmp(buffer, "SN-3") == 0);
    CHECK_EQ_INT(setMotorModelName(ID, AXIS, "Model-3", 7), 0);
    memset(buffer, 0, sizeof buffer);
    CHECK_EQ_INT(getMotorModelName(ID, AXIS, buffer, 32), 0);
    CHECK(strcmp(buffer, "Model-3") == 0);
    CHECK_EQ_INT(getMotorModelName(ID, AXIS, buffer, 31), -3);
    CHECK_EQ_INT(setDevModelName(ID, "VM-3A", 5), 0);
    memset(buffer, 0, sizeof buffer);
    CHECK_EQ_INT(getDevModelName(ID, buffer, 32), 0);
    CHECK(strcmp(buffer, "VM-3A") == 0);
    CHECK_EQ_INT(setDeviceName(ID, "VM-3A", 5), -2); /* this controller answers 0x1001 without data */
    CHECK_EQ_INT(setDevSerialNumber(ID, "VM-0001", 7), 0);
    memset(buffer, 0, sizeof buffer);
    CHECK_EQ_INT(getDevSerialNumber(ID, buffer, 32), 0);
    CHECK(strcmp(buffer, "VM-0001") == 0);
    memset(buffer, 0, sizeof buffer);
    CHECK_EQ_INT(getDevSoftVersion(ID, buffer, 32), 0);
    CHECK(strcmp(buffer, "VM 1.0.0") == 0);
    CHECK_EQ_INT(getDevSoftVersion(ID, NULL, 32), -3);
}

static void controller(void)
{
    CONTROLER_STATE rocker;
    CHECK_EQ_INT(setDevAxisCount(ID, 3), 0);
    CHECK_EQ_INT(getDevAxisCount(ID), 3);
    CHECK_EQ_INT(setRockerEnable(ID, 1), 0);
    CHECK_EQ_INT(getRockerEnable(ID), 1);
    CHECK(getRockerSpeed(ID) >= 0);
    memset(&rocker, 0, sizeof rocker);
    rocker.reserved = 0x5A;
    CHECK_EQ_INT(getRockerInfo(ID, &rocker), 0);
    CHECK_EQ_INT(rocker.rockerEnabled, 1);
    CHECK_EQ_INT(rocker.rockerSpeed, getRockerSpeed(ID));
    CHECK_EQ_INT(rocker.reserved, 0x5A); /* never written */
    CHECK_EQ_INT(setRockerEnable(ID, 0), 0);
    CHECK_EQ_INT(getRockerEnable(ID), 0);
    CHECK_EQ_INT(getRockerInfo(ID, NULL), -100);
}

static void motorBlock(void)
{
    MotorParams params;
    MotorParams back;
    char detected = 9;
    memset(&params, 0, sizeof params);
    strcpy(params.modelName, "C-HOST-STAGE");
    strcpy(params.serialNumber, "C-0001");
    params.pulse = 12800;
    params.helicalPitch = 2.0;
    params.restoreSpeed = 3.0;
    params.unitType = 0;
    memcpy(params.optOrder, "ABCDEFGH", 8);
    params.minPos = -10.0;
    params.maxPos = 90.0;
    params.maxSpeed = 20.0;
    params.maxAcc = 80.0;
    params.motorPhase = 2;
    params.modifyDate = 20261208u;
    params.maxRockerSpeed = 5.0;
    CHECK_EQ_INT(setMotorParams(ID, AXIS, params), 0);
    memset(&back, 0x7E, sizeof back);
    CHECK_EQ_INT(getMotorParams(ID, AXIS, &back), 0);
    CHECK(strcmp(back.modelName, "C-HOST-STAGE") == 0);
    CHECK_EQ_INT(back.pulse, 12800);
    CHECK_NEAR(back.maxPos, 90.0);
    CHECK_EQ_INT(back.modifyDate, 20261208u);
    CHECK(memcmp(back.optOrder, "ABCD", 4) == 0);
    CHECK_EQ_INT(back.optOrder[4], 0x7E); /* only 4 bytes are read back */
    CHECK_EQ_INT(getMotorAutoDetect(ID, AXIS, &detected), 0);
    CHECK_EQ_INT(detected, 2);
    CHECK_EQ_INT(setClearIDChip(ID, AXIS), 0);
    CHECK_EQ_INT(getMotorAutoDetect(ID, AXIS, &detected), 0);
    CHECK_EQ_INT(detected, 0);
    CHECK_EQ_INT(getMotorParams(ID, AXIS, NULL), -100);
}

int main(void)
{
    lifecycle();
    motion();
    axisParameters();
    compensation();
    texts();
    controller();
    motorBlock();
    CHECK_EQ_INT(closeKXDevice(ID), 0);
    CHECK_EQ_INT(removeDev(ID), 1);
    CHECK_EQ_INT(setSpeed(ID, AXIS, 1.0), -1);
    libraryDeInit();
    if (failures != 0) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("all exports answered as expected\n");
    return 0;
}
