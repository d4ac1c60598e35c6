// The mutex of every lock of the framework. A thread that holds one is never parked by a stop
// (PlatTerminateThread): the threads that go on after the stop may need the lock, so the stop
// is carried out when the thread releases its last one (system.h).
#pragma once

#include "platform/system.h"

#include <mutex>

class LayerMutex {
public:
    void lock() {
        PlatNoteLockTaken();
        raw_mutex.lock();
    }
    bool try_lock() {
        PlatNoteLockTaken();
        if (raw_mutex.try_lock()) return true;
        PlatNoteLockReleased();
        return false;
    }
    void unlock() {
        raw_mutex.unlock();
        PlatNoteLockReleased();
    }
    // For waits on a std::condition_variable, under a LayerHold that outlives the raw lock.
    std::mutex& raw() { return raw_mutex; }

private:
    std::mutex raw_mutex;
};

// Counts as a held lock for its scope. A wait on a condition variable takes the raw mutex
// inside one, so that the thread is not parked between the wait's return and the release.
struct LayerHold {
    LayerHold() { PlatNoteLockTaken(); }
    ~LayerHold() { PlatNoteLockReleased(); }
    LayerHold(const LayerHold&) = delete;
    LayerHold& operator=(const LayerHold&) = delete;
};
