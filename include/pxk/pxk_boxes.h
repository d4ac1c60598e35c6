/* (part of pxk.h; include pxk.h) */
