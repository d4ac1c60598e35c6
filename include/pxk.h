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
 * operation says; each family names its codes in an enum beside its operations
 * (PXK_CREATE_SLOT_IN_USE, PXK_TOOL_CANCELLED, ...). The header compiles as C and as C++, and
 * so does each header under pxk/ on its own.
 */
#ifndef PXK_H
#define PXK_H

/* Each family compiles on its own and includes pxk/pxk_types.h (PXK_Color, PXK_Window,
 * PXK_ATOMIC_INT); they are included here outside any extern "C" block, since the types'
 * header includes <atomic> in C++. */
#include "pxk/pxk_types.h"
#include "pxk/pxk_run.h"
#include "pxk/pxk_text.h"
#include "pxk/pxk_boxes.h"
#include "pxk/pxk_image.h"
#include "pxk/pxk_draw.h"
#include "pxk/pxk_tools.h"
#include "pxk/pxk_files.h"
#include "pxk/pxk_clipboard.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The application's entries. */
void UserSetup(void);
void UserMain(void);

#ifdef __cplusplus
}
#endif

#endif
