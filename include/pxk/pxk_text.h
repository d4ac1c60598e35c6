/* Text windows: consoles for formatted output and line input (part of pxk.h; compiles on its own).
 *
 * There are 256 text windows, ids 0..255. Output, colour changes and line input go to the
 * current text window. Text is UTF-8; numbers are formatted in the "C" locale whatever the
 * desktop's language.
 */

#ifndef PXK_TEXT_H
#define PXK_TEXT_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The window all text output and input go to (0 at start). */
extern PXK_ATOMIC_INT current_text_window;
/* 0 when no line input runs, otherwise the id of the text window being read plus 1.
 * Clearing it abandons a running line input (it then returns an empty line). */
extern PXK_ATOMIC_INT input_active;

/* The results of opening, closing and selecting a text window. */
enum {
    PXK_TEXT_DONE = 0,
    PXK_TEXT_REFUSED = 1        /* id of 256 or more; open: already open; close, select: not open */
};

/* Opens text window id with a client size of width x height (negative: 400 x 300) at the
 * outer position x, y (negative: the default position for that coordinate). 0 opened;
 * 1 it was open already (it is brought forward and made current) or id is 256 or more. */
int PXK_OpenTextWindow(int id, int x, int y, int width, int height);
/* 0 closed; 1 id is 256 or more or the window is not open. */
int PXK_CloseTextWindow(int id);
/* Makes the window current. 0 done; 1 id is 256 or more or the window is not open. */
int PXK_SelectTextWindow(int id);
/* Brings the current text window forward, or opens text window 0 in the screen's centre. */
void PXK_ShowTextWindow(void);

/* printf-style output to the current text window. A single call shows at most 4,095 bytes
 * of formatted text (cut at a character boundary). */
void PXK_Printf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
/* Reads one typed line from the current text window into buffer (256 bytes): at most 255
 * bytes of UTF-8, cut at a character boundary, NUL-terminated; empty when the input was
 * abandoned. Does nothing (buffer untouched) when the current window is not open. */
void PXK_InputText(char* buffer);

/* Saves the current colours (eight deep) and sets new ones, 0xRRGGBB. */
void PXK_PushTextColor(int background, int foreground);
/* Restores the colours saved by the last push. */
void PXK_PopTextColor(void);

/* Scrolls text window id up by one line when its cursor line does not fit; 1 if it did. */
int PXK_ScrollIfNeeded(int id);
/* The id of the open text window with this window handle, or -1. */
int PXK_TextWindowIndex(PXK_Window window);

/* Log files. Window id logs to "PIXKIT<instance><id>.LOG" in the folder the program started
 * in: everything printed into it and every line typed into it, with LF line ends, while
 * logging runs. Output reaches the file within about 100 ms; a write that fails pauses the
 * log and says so once. */

/* The results of the log operations, one family each. */
enum {
    PXK_START_LOG_DONE = 0,
    PXK_START_LOG_RUNNING = 1,      /* already logging */
    PXK_START_LOG_NO_FILE = 2,      /* the file cannot be created, or the program is exiting */
    PXK_START_LOG_NO_WINDOW = 3     /* id out of range or the window not open */
};
enum {
    PXK_STOP_LOG_DONE = 0,
    PXK_STOP_LOG_NO_LOG = 1,
    PXK_STOP_LOG_NO_WINDOW = 2
};
enum {
    PXK_COPY_LOG_DONE = 0,
    PXK_COPY_LOG_NO_CLIPBOARD = 1,  /* the clipboard cannot be set */
    PXK_COPY_LOG_NO_FILE = 2,       /* the file cannot be opened */
    PXK_COPY_LOG_NO_MEMORY = 3,
    PXK_COPY_LOG_NO_WINDOW = 4
};

/* Starts (emptying the file) or resumes the log. 0 done; 1 already logging; 2 the file
 * cannot be created, or the program is exiting; 3 id out of range or the window not open. */
int PXK_StartLog(int id);
/* Pauses the log; the file stays open. 0 done (also when paused already); 1 no log;
 * 2 id out of range or the window not open. */
int PXK_StopLog(int id);
/* Puts the whole log file on the clipboard as text (also a file left by an earlier run).
 * 0 done; 1 the clipboard cannot be set; 2 the file cannot be opened; 3 no memory for the
 * copy; 4 id out of range or the window not open. */
int PXK_CopyLog(int id);
/* Flushes and closes the log file of every text window (the Exit command does this first). */
void PXK_CloseAllLogs(void);

#ifdef __cplusplus
}
#endif

#endif
