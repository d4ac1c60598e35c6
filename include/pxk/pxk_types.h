/* The types and macros that the families of the public interface share: colours, window
 * handles and the shared run-control flags' atomic integer. Every header under pxk/ includes
 * it, so that each compiles on its own; pxk.h includes them all.
 */
#ifndef PXK_TYPES_H
#define PXK_TYPES_H

#include <stdint.h>

typedef int32_t PXK_Color;   /* 0x00RRGGBB */

/* A window handle of the framework (image windows, text windows, the boxes, the main window). */
#ifndef PXK_WINDOW_DEFINED
#define PXK_WINDOW_DEFINED
typedef uint32_t PXK_Window;
#endif

/* PXK_ATOMIC_INT: the type of the flags that the main thread and the worker thread share
 * (StartRequested, current_text_window, ...). The library defines them in C++ as
 * std::atomic<int>; a C program sees the same objects as _Atomic int. C and C++ must see one
 * object layout, and on the supported compilers (GCC and Clang on Linux) both are a lock-free
 * int of int's size and alignment: the library checks that at build time. Plain reads and
 * writes of the flags are atomic in both languages. The header includes <atomic> or
 * <stdatomic.h> here, outside any extern "C" block. */
#ifdef __cplusplus
#include <atomic>
#define PXK_ATOMIC_INT std::atomic<int>
#else
#include <stdatomic.h>
#define PXK_ATOMIC_INT _Atomic int
#endif

#endif
