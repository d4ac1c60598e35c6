// The executable's entry: the whole program is PixkitMain.
#include "framework/startup.h"

int main(int argc, char** argv) { return PixkitMain(argc, argv); }
