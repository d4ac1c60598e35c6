// A small pool of threads owned by the drawing layer, for the few operations large enough to
// be worth sharing out (stretches of many megapixels). The work is split into bands of rows
// that the caller and the pool's threads take in turn; each band's result must depend on its
// rows only, so the outcome is the same whichever thread makes it. The threads start on first
// use, one fewer than the processors (at most three), and never touch the program's own ones.
#pragma once

// Runs fn(ctx, k0, k1) over `bands` consecutive bands covering rows [0, rows) and returns when
// all are done. When the pool is busy with another caller's work, or has no threads, the
// caller runs every band itself.
void RunRowBands(int rows, int bands, void (*fn)(void* ctx, int k0, int k1), void* ctx);

// The number of threads that take part in RunRowBands, the caller included.
int RowPoolWidth();

// How many bands a job that touches `work` pixels (read plus written) over `rows` rows is
// worth: below about four million pixels the hand-off costs more than it saves, so one band;
// above, four per thread of the pool, for an even finish.
int RowBandsFor(double work, int rows);
