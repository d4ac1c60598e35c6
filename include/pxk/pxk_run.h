/* Run control and the small shared operations (part of pxk.h; include pxk.h). */

/* Run-control flags shared by the main thread and the worker thread. */
extern PXK_ATOMIC_INT StartRequested;   /* 1: enter UserMain at the next idle pass */
extern PXK_ATOMIC_INT Running;          /* 1 once UserMain has been entered */
extern PXK_ATOMIC_INT StopRequested;    /* 1 after Stop (or Exit): long waits should end */
extern PXK_ATOMIC_INT ExitState;        /* 0 normal, 1 exit requested, 2 exit acknowledged */

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
/* Shows text centred in the main window's status line. */
void PXK_SetStatusText(const char* text);
/* A modal box captioned "Pause" with the text and OK; returns when it is dismissed. */
void PXK_Pause(const char* text);
