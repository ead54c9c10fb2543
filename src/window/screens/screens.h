// Preparing every screen once at start-up, and releasing them before SDL shuts down.
#pragma once

void prepare_screens();
void release_screens();
