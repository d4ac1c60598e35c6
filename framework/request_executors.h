// The work behind the main window's requests, carried out on the worker thread by the image
// store, the text windows and the boxes, registered with the runtime's request channel.
#pragma once

struct Surface;

void RegisterRequestWork(void);

// Copies the whole bitmap into the current image at (0, 0), clipped by the image, and frees
// it. Nothing is copied when the current slot is free.
void PasteBitmapIntoCurrentImage(Surface* bitmap);
