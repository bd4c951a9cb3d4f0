/* A host built against the installed package: reads the first axis's
 * position and state of every controller on the bus. */
#include <stdio.h>

#include <velmoLibrary.h>

int main(void)
{
    int ids[8];
    const int found = listKXMotorControlerDevices(ids, 8);
    printf("controllers: %d\n", found);
    for (int i = 0; i < found && i < 8; ++i) {
        addDev(ids[i]);
        if (openKXDevice(ids[i]) != 0) {
            printf("controller %d: open failed\n", ids[i]);
            removeDev(ids[i]);
            return 1;
        }
        int status = 0;
        const double position = getCurrentPos(ids[i], 0, &status);
        MotorStageState state;
        const int stateResult = getRuningState(ids[i], 0, &state);
        printf("controller %d axis 0: position %.3f (status %d), state %d, stopped %d\n", ids[i], position, status,
               stateResult, state.isStop);
        closeKXDevice(ids[i]);
        removeDev(ids[i]);
        if (status != 0 || stateResult != 0)
            return 1;
    }
    return found > 0 ? 0 : 1;
}
