// Log files of the text windows: starting, pausing and resuming a window's log, copying the
// log file to the clipboard, and closing logs when a window goes and when the program exits.
//
// A log is a buffered stream, but it never holds output for long: a write flushes it when
// the last flush is 100 ms or more old, and what a write leaves behind is flushed by a small
// thread of the logs about 100 ms later, whatever the thread that printed does next (computes
// without pumping, is killed); a typed line, stopping, copying, closing and Exit flush at once.
// A program that dies therefore loses at most about 100 ms of its output.
//
// The log fields have a lock of their own (see text_window.h). The flushing thread and the end
// of the program after a lost display take only that lock, and the one that ends the program
// waits for it a bounded time, so no thread stopped anywhere can hold the end up.
//
// Files are made in the start folder, which is opened once at start-up and named by its
// descriptor from then on, so neither its depth nor a later change of the current folder
// matters. A write that fails (disk full, file size limit) pauses the log and says so once
// in a "Pause" box, which is shown only after the record's lock has been released, since the
// box pumps the thread's messages and the window's own handlers take that lock; a failure of
// the background flush is told by the next output to that window.
#include "textwin/text_window.h"

#include "platform/clipboard.h"
#include "platform/controls/dialog.h"
#include "platform/layer_mutex.h"
#include "platform/system.h"
#include "platform/window/window.h"

#include <pxk.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

enum {
    LOG_FLUSH_MS = 100,
    LOG_NAME_BYTES = 32,
    // How long closing every log (Exit, a lost display) waits for one log's lock: only a
    // thread stopped while it wrote that log can hold it longer.
    LOG_LOCK_BOUND_MS = 250
};

// The start folder, -1 when it could not be opened (then no log can be made).
static std::atomic<int> log_folder{-1};

void OpenLogFolder(void) {
    int fd = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    int old = log_folder.exchange(fd);
    if (old >= 0) close(old);
}

static void LogName(int id, char* name, size_t size) { snprintf(name, size, "PIXKIT%d%d.LOG", instance_slot, id); }

using LogGuard = std::lock_guard<LayerMutex>;

// Takes a log's lock unless it stays held for LOG_LOCK_BOUND_MS; true when taken.
static bool LockLogWithin(TextWindowRecord* rec) {
    for (uint32_t start = PlatGetTickMs();;) {
        if (rec->log_lock.try_lock()) return true;
        if (PlatGetTickMs() - start >= (uint32_t)LOG_LOCK_BOUND_MS) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void ResetLogFields(TextWindowRecord* rec) {
    LogGuard guard(rec->log_lock);
    rec->log_state.store(LOG_NONE);
    rec->log_file = nullptr;
    rec->log_dirty.store(false);
    rec->log_failed_unshown = false;
    rec->log_made = false;
}

// Creates (or empties) the log file of window id and remembers it as this run's; null when it
// cannot be had. Log lock held.
static FILE* CreateLogFile(TextWindowRecord* rec, int id) {
    char name[LOG_NAME_BYTES];
    LogName(id, name, sizeof name);
    int fd = openat(log_folder.load(), name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    FILE* f = fstat(fd, &st) == 0 ? fdopen(fd, "w") : nullptr;
    if (!f) {
        close(fd);
        return nullptr;
    }
    rec->log_made = true;
    rec->log_dev = st.st_dev;
    rec->log_ino = st.st_ino;
    return f;
}

// ---- Flushing -----------------------------------------------------------------------------

// A write or flush failed: the log pauses. True when it was logging, that is when this is the
// failure the user must hear of; a paused log writes nothing, so it cannot fail again until
// it is resumed. Log lock held.
static bool PauseAfterFailure(TextWindowRecord* rec) {
    rec->log_dirty.store(false, std::memory_order_relaxed);
    if (rec->log_state.load() != LOG_ON) return false;
    rec->log_state.store(LOG_PAUSED);
    return true;
}

// Flushes what the log holds back; true when a failure paused the log. Log lock held.
static bool FlushLog(TextWindowRecord* rec) {
    if (!rec->log_file || !rec->log_dirty.load(std::memory_order_relaxed)) return false;
    rec->log_flushed_at = PlatGetTickMs();
    rec->log_dirty.store(false, std::memory_order_relaxed);
    if (fflush(rec->log_file) == 0 && !ferror(rec->log_file)) return false;
    return PauseAfterFailure(rec);
}

// True once for a failure that the background flush met and no box has told yet.
static bool TakeUnshownFailure(TextWindowRecord* rec) {
    bool failed = rec->log_failed_unshown;
    rec->log_failed_unshown = false;
    return failed;
}

// ---- The thread that flushes what writes left behind ----------------------------------------

// Never destroyed: the thread waits on them until the process ends.
static LayerMutex& flusher_mutex = *new LayerMutex;
static std::condition_variable& flusher_signal = *new std::condition_variable;
static bool flush_wanted = false;

static void FlushLeftBehind(void) {
    for (TextWindowRecord& rec : text_windows) {
        if (!rec.log_dirty.load(std::memory_order_acquire)) continue;
        LogGuard guard(rec.log_lock);
        if (FlushLog(&rec)) rec.log_failed_unshown = true;
    }
}

// Sleeps until a write leaves data behind, lets LOG_FLUSH_MS pass (writes meanwhile join the
// same flush), then flushes every log that holds data back.
static void LogFlusherThread(void) {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(flusher_mutex.raw());
            flusher_signal.wait(lock, [] { return flush_wanted; });
            flush_wanted = false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(LOG_FLUSH_MS));
        FlushLeftBehind();
    }
}

static void WantFlush(void) {
    static std::once_flag started;
    std::call_once(started, [] { std::thread(LogFlusherThread).detach(); });
    std::lock_guard<LayerMutex> lock(flusher_mutex);
    flush_wanted = true;
    flusher_signal.notify_one();
}

// ---- Writing --------------------------------------------------------------------------------

void ShowLogWriteError(void) { PXK_Pause("Can't write LOG file!"); }

void (*pxk::text_output_copy)(int id, const char* text, size_t len, bool line_end) = nullptr;

bool WriteLogLocked(TextWindowRecord* rec, const char* text, size_t len, bool line_end) {
    if (text_output_copy) text_output_copy((int)(rec - text_windows), text, len, line_end);
    LogGuard guard(rec->log_lock);
    if (TakeUnshownFailure(rec)) return true;
    if (rec->log_state.load() != LOG_ON || !rec->log_file) return false;
    FILE* f = rec->log_file;
    bool ok = fwrite(text, 1, len, f) == len;
    if (ok && line_end) ok = fputc('\n', f) != EOF;
    if (!ok) return PauseAfterFailure(rec);
    bool was_dirty = rec->log_dirty.exchange(true, std::memory_order_release);
    if (line_end || PlatGetTickMs() - rec->log_flushed_at >= (uint32_t)LOG_FLUSH_MS) return FlushLog(rec);
    if (!was_dirty) WantFlush();
    return false;
}

// Flushes and closes; log lock held.
static void CloseLog(TextWindowRecord* rec) {
    if (rec->log_file) fclose(rec->log_file);
    rec->log_file = nullptr;
    rec->log_state.store(LOG_NONE);
    rec->log_dirty.store(false, std::memory_order_relaxed);
    rec->log_failed_unshown = false;
}

void CloseLogLocked(TextWindowRecord* rec) {
    LogGuard guard(rec->log_lock);
    CloseLog(rec);
}

// ---- The operations -----------------------------------------------------------------------

// Starts or resumes under the locks; -1 when the file could not be created.
static int StartLogLocked(TextWindowRecord* rec, int id) {
    LogGuard guard(rec->log_lock);
    if (rec->log_state.load() == LOG_ON) return 1;
    // Exit closes every log; a log started after that would empty the file and never close.
    if (ExitState.load() != PXK_EXIT_NONE) return 2;
    if (rec->log_state.load() == LOG_PAUSED) {
        clearerr(rec->log_file);
        rec->log_failed_unshown = false;
        rec->log_state.store(LOG_ON);
        return 0;
    }
    FILE* f = CreateLogFile(rec, id);
    if (!f) return -1;
    rec->log_file = f;
    rec->log_state.store(LOG_ON);
    rec->log_dirty.store(false, std::memory_order_relaxed);
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
        LogGuard log_guard(rec->log_lock);
        if (rec->log_state.load() == LOG_NONE) return 1;
        failed = TakeUnshownFailure(rec) | FlushLog(rec);
        rec->log_state.store(LOG_PAUSED);
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

// Opens the log file this window made in this run for reading; -1 when there is none (never
// logged in this run, or the file of that name is not the one the log made).
static int OpenOwnLogFile(int id, bool made, dev_t dev, ino_t ino, struct stat* st) {
    if (!made) return -1;
    char name[LOG_NAME_BYTES];
    LogName(id, name, sizeof name);
    int fd = openat(log_folder.load(), name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, st) == 0 && S_ISREG(st->st_mode) && st->st_dev == dev && st->st_ino == ino) return fd;
    close(fd);
    return -1;
}

int PXK_CopyLog(int id) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return 4;
    bool failed = false, made = false;
    dev_t dev = 0;
    ino_t ino = 0;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return 4;
        LogGuard log_guard(rec->log_lock);
        failed = TakeUnshownFailure(rec) | FlushLog(rec);
        made = rec->log_made;
        dev = rec->log_dev;
        ino = rec->log_ino;
    }
    if (failed) ShowLogWriteError();
    // The file is read without the locks: output printed meanwhile only follows what is read.
    struct stat st;
    int fd = OpenOwnLogFile(id, made, dev, ino, &st);
    if (fd < 0) {
        PXK_Pause("Can't open LOG file!");
        return 2;
    }
    int result = CopyFileToClipboard(fd, (size_t)st.st_size);
    close(fd);
    return result;
}

void PXK_CloseAllLogs(void) {
    for (TextWindowRecord& rec : text_windows) {
        // Only a thread stopped while it wrote this log keeps the lock longer; its log is left
        // as the stream holds it rather than the program's end held up.
        if (!LockLogWithin(&rec)) continue;
        CloseLog(&rec);
        rec.log_lock.unlock();
    }
}
