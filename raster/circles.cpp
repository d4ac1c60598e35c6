// Circle outlines and filled discs, stored or inverted.
//
// Both walk one octant with an integer error term d and mirror each step: j counts up from 0,
// u starts at the radius and drops by one whenever d falls to 0 or below; the walk stops at
// j > 5r/7 or j > u. The outline plots eight mirrored points per step (four on the axes and
// on the diagonal, so that an XOR outline flips each pixel once); the disc draws horizontal
// spans, each row once.
//
// A circle much larger than the image would take hundreds of millions of steps to walk, most
// of them outside. While u stays at least j + 2, d never needs two corrections in one step,
// so before step j the walk has u = the largest u with u(u - 1) < r^2 - j^2 and
// d = r^2 - j^2 - u^2 + u. The walk jumps over stretches of steps that cannot touch the image
// to a step where this still holds, and walks the rest, so the pixels (and the pen) are those
// of the full walk.
#include "raster/circles.h"

#include <math.h>

#include "raster/raster.h"

namespace {

struct CircleWalk {
    int64_t r, lim;
    int64_t j, u, d;
};

void StartWalk(CircleWalk* w, int64_t r) {
    w->r = r;
    w->lim = (5 * r) / 7;
    w->u = r;
    w->d = r;
    w->j = 0;
}

// u before step j on a walk that never needed two corrections in one step.
int64_t UBefore(int64_t r, int64_t j) {
    int64_t n = r * r - j * j;
    if (n <= 0) return 0;
    int64_t u = (int64_t)sqrtl((long double)n) + 1;
    while (u > 0 && u * (u - 1) >= n) u--;
    while ((u + 1) * u < n) u++;
    return u;
}

bool JumpValid(int64_t r, int64_t j) { return UBefore(r, j) >= j + 2; }

// Moves the walk forward to the latest step not after target where the closed form holds.
void SkipTo(CircleWalk* w, int64_t target) {
    if (target > w->lim) target = w->lim;
    if (target <= w->j + 1) return;
    int64_t lo = w->j, hi = target;
    while (lo < hi) {
        int64_t mid = lo + (hi - lo + 1) / 2;
        if (JumpValid(w->r, mid)) lo = mid;
        else hi = mid - 1;
    }
    if (lo <= w->j + 1) return;
    w->j = lo;
    w->u = UBefore(w->r, lo);
    w->d = w->r * w->r - lo * lo - w->u * w->u + w->u;
}

// Ranges of steps j that may put pixels into the image; outside them the walk may skip.
struct StepRanges {
    int64_t lo[8], hi[8];
    int n;
};

void AddRange(StepRanges* s, int64_t lo, int64_t hi, int64_t lim) {
    if (lo < 0) lo = 0;
    if (hi > lim) hi = lim;
    if (lo > hi || s->n >= 8) return;
    s->lo[s->n] = lo;
    s->hi[s->n] = hi;
    s->n++;
}

// Steps whose mirrored coordinate cv +- j falls in [0, size).
void AddAxisRanges(StepRanges* s, int64_t cv, int64_t size, int64_t lim) {
    AddRange(s, -cv, size - 1 - cv, lim);
    AddRange(s, cv - size + 1, cv, lim);
}

// Steps whose u (before the step) may lie in [ulo, uhi]; u falls as j grows.
void AddURange(StepRanges* s, int64_t r, int64_t ulo, int64_t uhi, int64_t lim) {
    if (uhi < 0 || ulo > uhi) return;
    int64_t lo = 0, hi = lim + 1;   // first j with UBefore(j) <= uhi
    while (lo < hi) {
        int64_t mid = lo + (hi - lo) / 2;
        if (UBefore(r, mid) <= uhi) hi = mid;
        else lo = mid + 1;
    }
    int64_t first = lo;
    lo = 0, hi = lim + 1;           // first j with UBefore(j) < ulo
    while (lo < hi) {
        int64_t mid = lo + (hi - lo) / 2;
        if (UBefore(r, mid) < ulo) hi = mid;
        else lo = mid + 1;
    }
    AddRange(s, first - 1, lo, lim);
}

// The next step at or after j inside a range, with the end of that range; none: INT64_MAX.
int64_t NextInteresting(const StepRanges& s, int64_t j, int64_t* range_end) {
    int64_t best = INT64_MAX, end = INT64_MAX;
    for (int i = 0; i < s.n; i++) {
        int64_t start = s.lo[i] > j ? s.lo[i] : j;
        if (start > s.hi[i]) continue;
        if (start < best || (start == best && s.hi[i] > end)) {
            best = start;
            end = s.hi[i];
        }
    }
    *range_end = end;
    return best;
}

// Skipping is only worth its set-up for circles well larger than a typical image row.
const int64_t kSkipRadius = 256;
const int64_t kSkipGap = 64;

void MaybeSkip(CircleWalk* w, const StepRanges& ranges, int64_t* range_end) {
    if (w->j <= *range_end) return;
    int64_t next = NextInteresting(ranges, w->j, range_end);
    if (next > w->j + kSkipGap) SkipTo(w, next == INT64_MAX ? w->lim : next);
}

template <class T, class Op>
RasterPen OutlineWalk(const RasterImage& c, T* base, const Op& op, int64_t cx, int64_t cy, int64_t r) {
    CircleWalk w;
    StartWalk(&w, r);
    StepRanges ranges{};
    int64_t range_end = INT64_MAX;
    if (r >= kSkipRadius) {
        AddAxisRanges(&ranges, cx, c.width, w.lim);
        AddAxisRanges(&ranges, cy, c.height, w.lim);
        range_end = -1;
    }
    RasterPen pen{0, 0};
    for (;;) {
        MaybeSkip(&w, ranges, &range_end);
        const int64_t j = w.j, u = w.u;
        RasterPoint(c, base, op, cx - j, cy + u);
        RasterPoint(c, base, op, cx + j, cy - u);
        if (j != 0 && j != u) {
            RasterPoint(c, base, op, cx + j, cy + u);
            RasterPoint(c, base, op, cx - j, cy - u);
            RasterPoint(c, base, op, cx + u, cy - j);
            RasterPoint(c, base, op, cx - u, cy + j);
        }
        RasterPoint(c, base, op, cx + u, cy + j);
        RasterPoint(c, base, op, cx - u, cy - j);
        pen = RasterPen{cx - u, cy - j};
        w.d -= 2 * j + 1;
        if (w.d <= 0) {
            w.d += 2 * u - 2;
            w.u--;
        }
        w.j++;
        if (w.j > w.lim || w.j > w.u) break;
    }
    return pen;
}

template <class T, class Op>
RasterPen DiscWalk(const RasterImage& c, T* base, const Op& op, int64_t cx, int64_t cy, int64_t r) {
    CircleWalk w;
    StartWalk(&w, r);
    StepRanges ranges{};
    int64_t range_end = INT64_MAX;
    if (r >= kSkipRadius) {
        AddAxisRanges(&ranges, cy, c.height, w.lim);
        AddURange(&ranges, r, -cy, c.height - 1 - cy, w.lim);
        AddURange(&ranges, r, cy - c.height + 1, cy, w.lim);
        range_end = -1;
    }
    // The pen follows the spans as if each were a line from its left to its right end.
    int64_t pen_x = 0, pen_y = 0;
    auto span = [&](int64_t xa, int64_t xb, int64_t y) {
        RasterHSpan(c, base, op, xa, xb, y);
        pen_x = xb;
        pen_y = y;
    };
    bool decremented;
    for (;;) {
        MaybeSkip(&w, ranges, &range_end);
        const int64_t j = w.j, u = w.u;
        if (u != j) {
            span(cx - u, cx + u, cy + j);
            if (j > 0) span(cx - u, cx + u, cy - j);
        }
        w.d -= 2 * j + 1;
        decremented = false;
        if (w.d <= 0) {
            span(cx - j, cx + j, cy + u);
            span(cx - j, cx + j, cy - u);
            w.d += 2 * u - 2;
            w.u--;
            decremented = true;
        }
        if (j + 1 > w.lim || w.u < j + 1) break;
        w.j++;
    }
    if (!decremented) {
        span(cx - w.j, cx + w.j, cy + w.u);
        span(cx - w.j, cx + w.j, cy - w.u);
    }
    return RasterPen{pen_x, pen_y};
}

}  // namespace

RasterPen RasterCircle(const RasterImage& c, RasterMode mode, uint32_t color, int64_t cx, int64_t cy, int64_t r) {
    RasterPen pen{0, 0};
    WithRaster(c, mode, color, [&](auto* base, auto op) { pen = OutlineWalk(c, base, op, cx, cy, r); });
    return pen;
}

RasterPen RasterDisc(const RasterImage& c, RasterMode mode, uint32_t color, int64_t cx, int64_t cy, int64_t r) {
    RasterPen pen{0, 0};
    WithRaster(c, mode, color, [&](auto* base, auto op) { pen = DiscWalk(c, base, op, cx, cy, r); });
    return pen;
}
