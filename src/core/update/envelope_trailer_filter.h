// gSOAP 2.8 writes "\r\n" after every Envelope's end tag; a request must end with the
// end tag itself. This send filter holds back a trailing "\r" or "\r\n" of each block
// the runtime sends, passes it on if more of the message follows, and drops it at the
// end of the message. Requests hold no other carriage return.
#pragma once

#include <cstddef>

struct soap;

struct TrailerFilter {
    int (*next)(struct soap*, const char*, size_t) = nullptr;  // the runtime's own send
    char held[2] = {};
    size_t held_count = 0;
};

// Puts the filter in front of the context's send; the context's user pointer is the
// filter's from then on.
void install_trailer_filter(struct soap* soap, TrailerFilter* filter);

// A new message begins: what was held belonged to the end of the last one.
void trailer_filter_new_message(TrailerFilter* filter);
