/* Decimal text to number, as the standard strtol with base 10, clamped to
 * 32 bits so that every platform agrees whatever the width of long. */
#ifndef IXOR_IPC_NUMBER_H
#define IXOR_IPC_NUMBER_H

#include <stdint.h>
#include <stdlib.h>

static inline int32_t ixor_strtol32(const char *text, char **end)
{
    long value = strtol(text, end, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return (int32_t)value;
}

#endif
