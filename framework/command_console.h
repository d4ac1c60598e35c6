// The command console: one short command typed into the current text window after the prompt
// "Cmd>". It runs on the thread of the text window that asked for it (Space or the "Command"
// menu item), and the line input keeps that thread's windows working while it waits. It lives
// above the text windows because its commands reach the main window and the drawing state;
// the text windows run it through the handler registered for their Command item.
#pragma once

// Prompts, reads one line, carries out the command it names and returns. The commands are
// "exit", "start", "help", "ver" and "color", matched exactly and case-sensitively with the
// whole line; any other line, the empty one included, prints "Invalid command".
void RunCommandConsole(void);
