// Why a picture file could not be loaded or saved, in the user's words, and the box that says
// so for the image window's Load and Save commands and for a file dropped on an image window.
// The load and save operations answer only with their codes; the reason is found right after
// a failure from the file system (the file, its folder) and from the error number the failed
// system call left, as a desktop program tells its user.
#pragma once

#include <string>

#include "platform/plat_types.h"

// Why loading the file failed: the system's reason when it cannot be opened ("No such file
// or directory", "Permission denied"), a folder or other non-file, an empty file, a file of
// no picture format we read, a picture too large to load, or a damaged or cut picture.
std::string LoadFailureReason(const char* path);
// Why saving to the file (the name the save wrote, extension included) failed: the system's
// reason for a missing or write-protected folder or file, else the error number the save
// left (saved_errno: a full disk, the file size limit), else that the picture could not be
// written in that format.
std::string SaveFailureReason(const char* path, int saved_errno);

// The error boxes, owned by the window: caption "Load image file" or "Save as", and the
// text `Can't load "<path>":` or `Can't save "<path>":` with the reason on a line of its own.
void ShowLoadFailure(WindowId owner, const char* path);
void ShowSaveFailure(WindowId owner, const char* path, int saved_errno);
