// What the main window's commands still wait for from subsystems being built elsewhere, each
// in one small function, so that connecting them is a change here and in the start-up code:
//  - LoadPictureFile waits for the image file loader (PXK_LoadImageFile): until then a
//    dropped picture gets its window, sized and titled, but stays black.
//  - Paste (Ctrl+V) waits for the clipboard's picture reader (PXK_ReadClipboardBitmap): at
//    start-up register, as MainWindowCommands::paste, a command that reads the clipboard's
//    picture into a Surface and calls PastePicture (main_window_commands.h). Until then the
//    menu item is greyed and the command and its key are ignored.
#pragma once

// Loads the picture file into the current image with its top-left corner at (x, y).
// 0 done; 1 the file is unreadable; 2 the current slot is free.
int LoadPictureFile(const char* path, int x, int y);
