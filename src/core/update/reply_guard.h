// What a reply may hold. A Device Service reply is a short record with at most a short
// device text, so anything far larger is refused before the runtime stores it: the
// bytes of one reply, the length of one string, the items of one array, the depth of
// its elements. Replies never use SOAP's multi-reference attributes (id, href, ref);
// the runtime's handling of them is unsafe (gSOAP 2.8.124 copies overlapping memory on
// a duplicate id), so a reply carrying one is refused before the runtime sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct soap;

struct ReplyLimits {
    size_t max_reply_bytes = 1024 * 1024;  // the whole reply, HTTP header included
    long max_string_length = 64 * 1024;
    size_t max_items = 64 * 1024;          // the device text, one item per byte
    unsigned max_depth = 32;
};

// Hands the limits the runtime checks itself to a context.
void apply_reply_limits(struct soap* soap, const ReplyLimits& limits);

// Why a reply was refused.
enum class ReplyRefusal { None, TooLarge, References };

// Follows the markup of a reply as it arrives, in pieces of any size: refuses a start
// tag with an attribute whose local name is id, href or ref, and a text or attribute
// value longer than the string limit, or more elements than the item limit allows.
class MarkupScanner {
public:
    explicit MarkupScanner(const ReplyLimits& limits = {});
    // None while the reply may go on.
    ReplyRefusal feed(const char* data, size_t size);

private:
    enum class State { Text, TagStart, ElementName, InTag, AttributeName, BeforeValue, Value, Skip };
    void end_attribute_name();
    void count_character();

    size_t max_run_;
    size_t max_elements_;
    size_t run_ = 0;       // characters of the current text or attribute value
    size_t elements_ = 0;
    ReplyRefusal refusal_ = ReplyRefusal::None;
    State state_ = State::Text;
    char quote_ = 0;
    char name_[8] = {};
    size_t name_length_ = 0;
    bool name_too_long_ = false;
};

// Admits the bytes of one reply as they arrive.
class ReplyGuard {
public:
    explicit ReplyGuard(ReplyLimits limits = {}) : limits_(limits), scanner_(limits) {}
    void begin_reply();  // a new reply follows
    // True when data may reach the runtime; false once the reply is refused.
    bool admit(const char* data, size_t size);
    ReplyRefusal refusal() const { return refusal_; }
    size_t received() const { return received_; }
    const ReplyLimits& limits() const { return limits_; }

private:
    ReplyLimits limits_;
    size_t received_ = 0;
    MarkupScanner scanner_;
    ReplyRefusal refusal_ = ReplyRefusal::None;
};
