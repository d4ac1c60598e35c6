// Rectangle arithmetic shared by the layer and the framework.
#include "plat_types.h"

PlatRect RectIntersect(const PlatRect& a, const PlatRect& b) {
    PlatRect r;
    r.left = a.left > b.left ? a.left : b.left;
    r.top = a.top > b.top ? a.top : b.top;
    r.right = a.right < b.right ? a.right : b.right;
    r.bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

PlatRect RectUnion(const PlatRect& a, const PlatRect& b) {
    if (RectIsEmpty(a)) return b;
    if (RectIsEmpty(b)) return a;
    PlatRect r;
    r.left = a.left < b.left ? a.left : b.left;
    r.top = a.top < b.top ? a.top : b.top;
    r.right = a.right > b.right ? a.right : b.right;
    r.bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
    return r;
}

PlatRect RectOffset(const PlatRect& r, int dx, int dy) {
    return PlatRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
