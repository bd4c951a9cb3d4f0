/* Lists the controllers on the bus, opens the first one and closes it again,
 * printing each step's result. With --count it prints only the number of
 * controllers found. */
#include <stdio.h>
#include <string.h>

#include "velmoLibrary.h"

int main(int argc, char **argv)
{
    int ids[16];
    const int capacity = (int)(sizeof ids / sizeof ids[0]);
    const int found = listKXMotorControlerDevices(ids, capacity);
    if (argc > 1 && strcmp(argv[1], "--count") == 0) {
        /* For scripts: just the number of controllers on the bus. */
        printf("%d\n", found);
        return 0;
    }
    printf("listKXMotorControlerDevices: %d controller(s)\n", found);
    for (int i = 0; i < found && i < capacity; ++i)
        printf("  controller %d: id %d\n", i + 1, ids[i]);
    if (found <= 0) {
        printf("no controller attached\n");
        return 1;
    }

    const int id = ids[0];
    printf("addDev(%d) = %d\n", id, addDev(id));
    const int opened = openKXDevice(id);
    printf("openKXDevice(%d) = %d\n", id, opened);
    if (opened != 0) {
        removeDev(id);
        return 1;
    }
    char version[33] = {0};
    const int versionResult = getDevSoftVersion(id, version, 32);
    printf("getDevSoftVersion(%d) = %d \"%s\"\n", id, versionResult, version);
    printf("getDevAxisCount(%d) = %d\n", id, getDevAxisCount(id));
    printf("closeKXDevice(%d) = %d\n", id, closeKXDevice(id));
    printf("removeDev(%d) = %d\n", id, removeDev(id));
    return 0;
}
