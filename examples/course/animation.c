/* Exercise 8, an animation: Conway's Game of Life on a 64 x 48 board whose edges wrap around.
 * A cell is born with exactly three live neighbours and survives with two or three; every
 * other cell dies or stays empty. One generation is shown every 20 ms until you press Stop.
 * Between frames the program waits in PXK_WaitForMessages, so the windows stay alive and no
 * core spins. This start (random cells from seed 2622) settles into still life after about
 * a hundred generations; the text window says when. */
#include <pxk.h>
#include <stdio.h>
#include <string.h>

enum { BW = 64, BH = 48, CELL = 4, FRAME_MS = 20 };

static unsigned char board[BH][BW], next[BH][BW];

/* A small random-number generator of our own, so every machine draws the same start. */
static unsigned random_state = 2622;
static int Random(void) {
    random_state = random_state * 1103515245u + 12345u;
    return (int)((random_state >> 16) & 0x7FFF);
}

/* Computes the next generation into next[] and copies it back; returns 1 if anything changed. */
static int Step(void) {
    for (int y = 0; y < BH; y++)
        for (int x = 0; x < BW; x++) {
            int n = 0;
            for (int j = -1; j <= 1; j++)
                for (int i = -1; i <= 1; i++)
                    if (i != 0 || j != 0) n += board[(y + j + BH) % BH][(x + i + BW) % BW];
            next[y][x] = n == 3 || (board[y][x] && n == 2);
        }
    int changed = memcmp(board, next, sizeof board) != 0;
    memcpy(board, next, sizeof board);
    return changed;
}

/* Draws the board into image 0: a dark grid with the live cells filled. */
static void Draw(void) {
    PXK_SelectImage(0);
    PXK_ClearImage(0);
    for (int y = 0; y < BH; y++)
        for (int x = 0; x < BW; x++) {
            PXK_Color fill = board[y][x] ? 0xFFD040 : 0x202830;
            PXK_DrawFilledBox(x * CELL, y * CELL, x * CELL + CELL - 2, y * CELL + CELL - 2, fill, fill);
        }
    PXK_RedrawImage(0);
}

/* Keeps the windows working for ms milliseconds, or until Stop. */
static void Wait(int ms) {
    uint32_t until = PXK_GetTimeMs() + (uint32_t)ms;
    int left;
    while (!StopRequested && (left = (int)(until - PXK_GetTimeMs())) > 0) {
        PXK_WaitForMessages(left);
        PXK_PumpMessages();
    }
}

void UserSetup(void) {
    PXK_OpenTextWindow(0, 600, 20, 400, 200);
    StartRequested = 1;               /* run UserMain without waiting for Start */
}

void UserMain(void) {
    PXK_CreateImage(0, "life", 20, 20, BW * CELL, BH * CELL, 200);
    /* The start: a third of the cells of the middle 20 x 20 square alive. */
    memset(board, 0, sizeof board);
    random_state = 2622;
    for (int y = BH / 2 - 10; y < BH / 2 + 10; y++)
        for (int x = BW / 2 - 10; x < BW / 2 + 10; x++) board[y][x] = Random() % 3 == 0;

    int generation = 0, still = 0;
    char status[64];
    PXK_Printf("Press Stop (or C in the main window) to end.\n");
    while (!StopRequested) {
        if (!still) Draw();           /* a still board needs no new picture */
        Wait(FRAME_MS);
        if (StopRequested) break;
        generation++;
        if (!Step() && !still) {
            still = 1;
            PXK_Printf("still after %d generations\n", generation);
        }
        snprintf(status, sizeof status, "generation %d", generation);
        PXK_SetStatusText(status);
    }
    PXK_Printf("stopped at generation %d\n", generation);
}
