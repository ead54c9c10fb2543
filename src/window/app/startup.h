// The program from start-up to shutdown.
#pragma once

// Runs the whole program. 0 after a normal end, 1 when start-up failed (the reason
// is printed on standard output).
int run_program();

// True when SDL chose a driver that shows nothing although no driver was asked for:
// there is no display to open a window on.
bool invisible_video_driver(const char* driver_name, const char* requested_driver);
