#include "update/envelope_trailer_filter.h"

#include <stdsoap2.h>

#include <cstring>

namespace {

size_t trailing_line_end(const char* data, size_t n) {
    if (n >= 2 && data[n - 2] == '\r' && data[n - 1] == '\n') return 2;
    if (n >= 1 && data[n - 1] == '\r') return 1;
    return 0;
}

int filtered_send(struct soap* soap, const char* data, size_t n) {
    auto* filter = static_cast<TrailerFilter*>(soap->user);
    if (n == 0) return SOAP_OK;
    // "\r" held from the last block and "\n" alone in this one: still the trailer.
    if (filter->held_count == 1 && n == 1 && data[0] == '\n') {
        filter->held[1] = '\n';
        filter->held_count = 2;
        return SOAP_OK;
    }
    if (filter->held_count > 0) {  // more followed: what was held is content
        const int error = filter->next(soap, filter->held, filter->held_count);
        filter->held_count = 0;
        if (error) return error;
    }
    const size_t held = trailing_line_end(data, n);
    if (n > held) {
        const int error = filter->next(soap, data, n - held);
        if (error) return error;
    }
    std::memcpy(filter->held, data + n - held, held);
    filter->held_count = held;
    return SOAP_OK;
}

}  // namespace

void install_trailer_filter(struct soap* soap, TrailerFilter* filter) {
    filter->next = soap->fsend;
    filter->held_count = 0;
    soap->user = filter;
    soap->fsend = filtered_send;
}

void trailer_filter_new_message(TrailerFilter* filter) { filter->held_count = 0; }
