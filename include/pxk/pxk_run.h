/* Run control and the small shared operations (part of pxk.h; compiles on its own). */

#ifndef PXK_RUN_H
#define PXK_RUN_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Names the main window for PXK_SetForeground. No window handle takes this value. */
#define PXKMAINWINDOW ((PXK_Window)0xFFFFF000u)

/* The values of ExitState. */
enum {
    PXK_EXIT_NONE = 0,          /* running normally */
    PXK_EXIT_REQUESTED = 1,     /* Exit was chosen; the worker should end */
    PXK_EXIT_ACKNOWLEDGED = 2   /* the worker left its idle loop, or Exit stopped waiting */
};

/* Run-control flags shared by the main thread and the worker thread. */
extern PXK_ATOMIC_INT StartRequested;   /* 1: enter UserMain at the next idle pass */
extern PXK_ATOMIC_INT Running;          /* 1 once UserMain has been entered */
extern PXK_ATOMIC_INT StopRequested;    /* 1 after Stop (or Exit): long waits should end */
extern PXK_ATOMIC_INT ExitState;        /* PXK_EXIT_NONE, PXK_EXIT_REQUESTED, PXK_EXIT_ACKNOWLEDGED */

/* Milliseconds per tick of the performance counter. */
extern double ms_per_tick;
/* The instance slot 0..9 this program holds. */
extern int instance_slot;

/* Reads the performance counter (ticks; multiply differences by ms_per_tick). */
uint64_t PXK_GetTicks(void);
/* Unsigned 32-bit milliseconds; compare readings by unsigned difference. */
uint32_t PXK_GetTimeMs(void);
/* Serves the calling thread's windows until its queue is empty. */
void PXK_PumpMessages(void);
/* Waits until a message arrives for the calling thread's windows, Stop or Exit is chosen, or
 * timeout_ms pass; returns at once when a message waits already. Pump afterwards. A wait
 * loop built of the two keeps the windows working without spinning:
 *     while (!StopRequested && !done) { PXK_WaitForMessages(time_left); PXK_PumpMessages(); } */
void PXK_WaitForMessages(int timeout_ms);
/* Shows text centred in the main window's status line. */
void PXK_SetStatusText(const char* text);
/* A modal box captioned "Pause" with the text and OK; returns when it is dismissed. */
void PXK_Pause(const char* text);
/* Brings a framework window forward and gives it the keyboard: PXKMAINWINDOW for the main
 * window, or the handle of an image window, a text window, the input box or the button box.
 * Does not wait for the main thread. 0 done; 1 for anything else. */
enum { PXK_FOREGROUND_DONE = 0, PXK_FOREGROUND_NO_WINDOW = 1 };
int PXK_SetForeground(PXK_Window window);

#ifdef __cplusplus
}
#endif

#endif
