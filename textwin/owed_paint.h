// Paints owed by formatted output. Printing in a burst pumps the thread's messages at most
// once a millisecond, so the paint of a burst's last lines would wait for the next pump, which
// a program that goes on computing never makes; and output printed from another thread waits
// for the pumps of the window's own thread. Every output is noted here; a small thread of the
// text windows copies the damage still unpainted from the store to the window once the output
// has stopped for an interval, as the paint message would have.
#pragma once

#include <stdint.h>

// Notes that text window `id` has output waiting for a paint that no pump has made yet; `now`
// is the millisecond clock (PlatGetTickMs) of the output.
void OwePaint(int id, uint32_t now);
