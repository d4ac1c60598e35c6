// Log files of the text windows: starting, pausing and resuming a window's log, copying the
// log file to the clipboard, and closing logs when a window goes and when the program exits.
//
// A log is a buffered stream, but it never holds output for long: a write flushes it when
// the last flush is 100 ms or more old, a write that leaves data behind arms a window timer
// that flushes from the pump, and a typed line, stopping, copying, closing and Exit flush at
// once. A program that dies therefore loses at most about 100 ms of its output.
//
// Files are made in the start folder, which is opened once at start-up and named by its
// descriptor from then on, so neither its depth nor a later change of the current folder
// matters. A write that fails (disk full, file size limit) pauses the log and says so once
// in a "Pause" box, which is shown only after the record's lock has been released, since the
// box pumps the thread's messages and the window's own handlers take that lock.
#include "textwin/text_window.h"

#include "platform/clipboard.h"
#include "platform/controls/dialog.h"
#include "platform/system.h"
#include "platform/window/window.h"

#include <pxk.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

enum { LOG_FLUSH_MS = 100, LOG_NAME_BYTES = 32 };

// The start folder, -1 when it could not be opened (then no log can be made).
static std::atomic<int> log_folder{-1};

void OpenLogFolder(void) {
    int fd = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    int old = log_folder.exchange(fd);
    if (old >= 0) close(old);
}

static void LogName(int id, char* name, size_t size) { snprintf(name, size, "PIXKIT%d%d.LOG", instance_slot, id); }

// Creates (or empties) the log file of window id; null when it cannot be had.
static FILE* CreateLogFile(int id) {
    char name[LOG_NAME_BYTES];
    LogName(id, name, sizeof name);
    int fd = openat(log_folder.load(), name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    FILE* f = fdopen(fd, "w");
    if (!f) close(fd);
    return f;
}

// ---- Flushing -----------------------------------------------------------------------------

static void KillFlushTimerLocked(TextWindowRecord* rec) {
    if (!rec->log_timer_set) return;
    PlatKillTimer(rec->hwnd.load(std::memory_order_acquire), LOG_FLUSH_TIMER);
    rec->log_timer_set = false;
}

static void ArmFlushTimerLocked(TextWindowRecord* rec) {
    if (rec->log_timer_set) return;
    rec->log_timer_set = PlatSetTimer(rec->hwnd.load(std::memory_order_acquire), LOG_FLUSH_TIMER, LOG_FLUSH_MS) == 0;
}

// A write or flush failed: the log pauses. True when it was logging, that is when this is the
// failure the user must hear of; a paused log writes nothing, so it cannot fail again until
// it is resumed.
static bool PauseAfterFailureLocked(TextWindowRecord* rec) {
    rec->log_dirty = false;
    if (rec->log_state != LOG_ON) return false;
    rec->log_state = LOG_PAUSED;
    return true;
}

// Flushes what the log holds back; true when a failure paused the log.
static bool FlushLogLocked(TextWindowRecord* rec) {
    if (!rec->log_file || !rec->log_dirty) return false;
    rec->log_flushed_at = PlatGetTickMs();
    rec->log_dirty = false;
    if (fflush(rec->log_file) == 0 && !ferror(rec->log_file)) return false;
    return PauseAfterFailureLocked(rec);
}

void ShowLogWriteError(void) { PXK_Pause("Can't write LOG file!"); }

void (*text_output_copy)(int id, const char* text, size_t len, bool line_end) = nullptr;

bool WriteLogLocked(TextWindowRecord* rec, const char* text, size_t len, bool line_end) {
    if (text_output_copy) text_output_copy((int)(rec - text_windows), text, len, line_end);
    if (rec->log_state != LOG_ON || !rec->log_file) return false;
    FILE* f = rec->log_file;
    bool ok = fwrite(text, 1, len, f) == len;
    if (ok && line_end) ok = fputc('\n', f) != EOF;
    if (!ok) return PauseAfterFailureLocked(rec);
    rec->log_dirty = true;
    if (line_end || PlatGetTickMs() - rec->log_flushed_at >= (uint32_t)LOG_FLUSH_MS) return FlushLogLocked(rec);
    ArmFlushTimerLocked(rec);
    return false;
}

void FlushDueLog(WindowId window) {
    int id = PXK_TextWindowIndex(window);
    if (id < 0) return;
    TextWindowRecord* rec = &text_windows[id];
    bool failed;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        failed = FlushLogLocked(rec);
        KillFlushTimerLocked(rec);
    }
    if (failed) ShowLogWriteError();
}

void CloseLogLocked(TextWindowRecord* rec) {
    KillFlushTimerLocked(rec);
    if (rec->log_file) fclose(rec->log_file);
    rec->log_file = nullptr;
    rec->log_state = LOG_NONE;
    rec->log_dirty = false;
}

// ---- The operations -----------------------------------------------------------------------

// Starts or resumes under the lock; -1 when the file could not be created.
static int StartLogLocked(TextWindowRecord* rec, int id) {
    if (rec->log_state == LOG_ON) return 1;
    // Exit closes every log; a log started after that would empty the file and never close.
    if (ExitState.load() != PXK_EXIT_NONE) return 2;
    if (rec->log_state == LOG_PAUSED) {
        clearerr(rec->log_file);
        rec->log_state = LOG_ON;
        return 0;
    }
    FILE* f = CreateLogFile(id);
    if (!f) return -1;
    rec->log_file = f;
    rec->log_state = LOG_ON;
    rec->log_dirty = false;
    rec->log_flushed_at = PlatGetTickMs();
    return 0;
}

int PXK_StartLog(int id) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return 3;
    int result;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return 3;
        result = StartLogLocked(rec, id);
    }
    if (result >= 0) return result;
    PlatMessageBox(0, u"Can't create file for LOG!", u"Error", MBOX_OK);
    return 2;
}

int PXK_StopLog(int id) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return 2;
    bool failed = false;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return 2;
        if (rec->log_state == LOG_NONE) return 1;
        failed = FlushLogLocked(rec);
        rec->log_state = LOG_PAUSED;
    }
    if (failed) ShowLogWriteError();
    return 0;
}

// Reads the open file of n bytes whole and puts it on the clipboard as text.
static int CopyFileToClipboard(int fd, size_t n) {
    char* data = (char*)malloc(n + 1);
    if (!data) {
        PXK_Pause("No enough memory (copy log)");
        return 3;
    }
    size_t got = 0;
    while (got < n) {
        ssize_t r = read(fd, data + got, n - got);
        if (r <= 0) break;
        got += (size_t)r;
    }
    data[got] = 0;
    // The text goes with its terminator, as text on the clipboard always does.
    int result = PlatSetClipboard(CLIP_TEXT, data, got + 1) == 0 ? 0 : 1;
    free(data);
    return result;
}

int PXK_CopyLog(int id) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return 4;
    bool failed = false;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return 4;
        failed = FlushLogLocked(rec);
    }
    if (failed) ShowLogWriteError();
    // The file is read without the lock: output printed meanwhile only follows what is read.
    char name[LOG_NAME_BYTES];
    LogName(id, name, sizeof name);
    int fd = openat(log_folder.load(), name, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        PXK_Pause("Can't open LOG file!");
        return 2;
    }
    int result = CopyFileToClipboard(fd, (size_t)st.st_size);
    close(fd);
    return result;
}

void PXK_CloseAllLogs(void) {
    for (TextWindowRecord& rec : text_windows) {
        std::lock_guard<LayerMutex> guard(rec.lock);
        CloseLogLocked(&rec);
    }
}
