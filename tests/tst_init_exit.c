/* A host that calls libraryInit and exits without libraryDeInit, with a
 * controller still open: the library must tear down cleanly at exit. */
#include "velmoLibrary.h"

#include <stdio.h>

int main(void)
{
    if (libraryInit() != 0 || libraryInit() != 0) {
        fprintf(stderr, "libraryInit failed\n");
        return 1;
    }
    addDev(14);
    if (openKXDevice(14) != 0 || getDevAxisCount(14) != 3) {
        fprintf(stderr, "controller 14 not usable\n");
        return 1;
    }
    return 0; /* no closeKXDevice, no libraryDeInit */
}
