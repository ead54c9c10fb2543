// Reading frames until the line has been silent for a while.
#pragma once

#include <pcap/pcap.h>

// Hands every frame that arrives to handler, as it arrives, until silence_ms pass
// without one. The handle must be non-blocking with a selectable descriptor (Linux):
// pcap_next_ex never reports a read time-out on Linux, so the wait is kept here.
// 0 when the silence ended the reading, -1 on a capture error.
int read_until_silence(pcap_t* handle, int silence_ms, pcap_handler handler, u_char* user);
