// The executable's entry: the whole program is PixkitMain.
#include "runtime/entry.h"

int main(int argc, char** argv) { return PixkitMain(argc, argv); }
