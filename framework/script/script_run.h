// A scripted run of the whole program: the program runs as usual on the main thread (on the
// headless backend unless --display), while a thread of its own follows the script through
// the headless driver, then chooses Exit. The run's status is 0 when every step worked and
// 1 otherwise, with "FILE:LINE: what failed" on stderr; a run that outlasts its whole-run
// timeout is ended with status 1 even when the program no longer answers.
#pragma once

// False when neither the command line nor the environment asks for a script (the caller
// then runs the program as usual); otherwise true with the run's exit status in *status.
bool RunScriptedProgram(int argc, char** argv, int* status);
