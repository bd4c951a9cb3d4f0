/* Offsets and sizes of the public records' fields, as the C compiler lays
 * them out from velmoLibrary.h (compiled as C in RecordLayout.c). */
#ifndef VELMO_TEST_RECORD_LAYOUT_H
#define VELMO_TEST_RECORD_LAYOUT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VelmoFieldLayout {
    const char *record;
    const char *field; /* null for the record's own size */
    size_t offset;
    size_t size;
} VelmoFieldLayout;

extern const VelmoFieldLayout velmoRecordLayout[];
extern const size_t velmoRecordLayoutCount;

#ifdef __cplusplus
}
#endif

#endif
