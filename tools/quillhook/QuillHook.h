#pragma once
// The one entry point of libquillhook.so, with C linkage so that dlsym finds it by name.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
    int32_t x;
    int32_t y;
} QUILL_POINT;

// A non-zero thread: places a hidden dialog "Twinvale DIPS" in that thread, which then moves
// the last item of a list view to the point it is told by WM_APP messages; the caller's thread
// gets a WM_NULL once the dialog exists. Thread 0: removes the hook. Returns 0 on failure.
// Non-blocking; any thread, though only a thread with a message queue hears of the dialog.
__attribute__((visibility("default"))) int32_t SetDIPSHook(uint32_t thread, QUILL_POINT point,
                                                           uintptr_t window);

#ifdef __cplusplus
}
#endif
