// Shared helpers for tests that run the real program on the headless backend.
#include "harness.h"
