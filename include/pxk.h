/* PIXKIT: the public interface for user programs.
 *
 * A user program supplies two entries, UserSetup and UserMain, and links the pixkit library,
 * which holds the program entry. Both entries run on the framework's worker thread:
 * UserSetup once at start, UserMain when Start is pressed or UserSetup has set
 * StartRequested to 1. UserMain is expected to run for the rest of the program's life and to
 * keep the framework's windows working by waiting through PXK_PumpMessages.
 *
 * Colours are packed 0x00RRGGBB values (PXK_Color). Operations that can fail return a small
 * int code: 0 done, 1 for an index of 256 or more or a free slot, further codes as each
 * operation says. The header compiles as C and as C++.
 */
#ifndef PXK_H
#define PXK_H

#include <stdint.h>

typedef int32_t PXK_Color;   /* 0x00RRGGBB */

#ifdef __cplusplus
#include <atomic>
extern "C" {
#define PXK_ATOMIC_INT std::atomic<int>
#else
#include <stdatomic.h>
#define PXK_ATOMIC_INT _Atomic int
#endif

/* The application's entries. */
void UserSetup(void);
void UserMain(void);

#include "pxk/pxk_run.h"
#include "pxk/pxk_text.h"
#include "pxk/pxk_boxes.h"
#include "pxk/pxk_image.h"
#include "pxk/pxk_draw.h"
#include "pxk/pxk_tools.h"
#include "pxk/pxk_files.h"
#include "pxk/pxk_clipboard.h"

#ifdef __cplusplus
}
#endif

#endif
