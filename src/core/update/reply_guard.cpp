#include "update/reply_guard.h"

#include <stdsoap2.h>

#include <cstring>

void apply_reply_limits(struct soap* soap, const ReplyLimits& limits) {
    soap->recv_maxlength = limits.max_reply_bytes;
    soap->maxlength = limits.max_string_length;
    soap->maxoccurs = limits.max_items;
    soap->maxlevel = limits.max_depth;
}

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

// Elements beyond the items of the longest array a reply may hold, and the few of its
// envelope and record.
MarkupScanner::MarkupScanner(const ReplyLimits& limits)
    : max_run_(static_cast<size_t>(limits.max_string_length > 0 ? limits.max_string_length : 0)),
      max_elements_(limits.max_items + 256) {}

void MarkupScanner::count_character() {
    if (max_run_ > 0 && ++run_ > max_run_) refusal_ = ReplyRefusal::TooLarge;
}

// Only the attribute's local name counts: "id", "SOAP-ENC:id", "enc:ref", ...
void MarkupScanner::end_attribute_name() {
    if (!name_too_long_) {
        const char* local = static_cast<const char*>(std::memchr(name_, ':', name_length_));
        const char* start = local ? local + 1 : name_;
        const std::string name(start, name_ + name_length_ - start);
        if (name == "id" || name == "href" || name == "ref") refusal_ = ReplyRefusal::References;
    }
    name_length_ = 0;
    name_too_long_ = false;
}

ReplyRefusal MarkupScanner::feed(const char* data, size_t size) {
    for (size_t i = 0; i < size && refusal_ == ReplyRefusal::None; ++i) {
        const char c = data[i];
        switch (state_) {
        case State::Text:
            if (c == '<') {
                state_ = State::TagStart;
                run_ = 0;
            } else {
                count_character();
            }
            break;
        case State::TagStart:  // end tags, comments, declarations: nothing to look at
            if (c == '/' || c == '!' || c == '?') {
                state_ = State::Skip;
            } else {
                state_ = State::ElementName;
                if (++elements_ > max_elements_) refusal_ = ReplyRefusal::TooLarge;
            }
            break;
        case State::ElementName:
            if (c == '>') state_ = State::Text;
            else if (is_space(c) || c == '/') state_ = State::InTag;
            break;
        case State::InTag:
            if (c == '>') {
                state_ = State::Text;
            } else if (!is_space(c) && c != '/') {
                state_ = State::AttributeName;
                name_[0] = c;
                name_length_ = 1;
                name_too_long_ = false;
            }
            break;
        case State::AttributeName:
            if (c == '=' || is_space(c) || c == '>' || c == '/') {
                end_attribute_name();
                state_ = c == '=' ? State::BeforeValue : (c == '>' ? State::Text : State::InTag);
            } else if (name_length_ < sizeof name_) {
                name_[name_length_++] = c;
            } else {
                name_too_long_ = true;
            }
            break;
        case State::BeforeValue:
            if (c == '"' || c == '\'') {
                quote_ = c;
                run_ = 0;
                state_ = State::Value;
            } else if (c == '>') {
                state_ = State::Text;
            } else if (!is_space(c)) {
                state_ = State::InTag;  // not well-formed: the runtime refuses it
            }
            break;
        case State::Value:
            if (c == quote_) state_ = State::InTag;
            else count_character();
            break;
        case State::Skip:
            if (c == '>') state_ = State::Text;
            break;
        }
    }
    return refusal_;
}

void ReplyGuard::begin_reply() {
    received_ = 0;
    scanner_ = MarkupScanner(limits_);
    refusal_ = ReplyRefusal::None;
}

bool ReplyGuard::admit(const char* data, size_t size) {
    if (refusal_ != ReplyRefusal::None) return false;
    received_ += size;
    if (received_ > limits_.max_reply_bytes) {
        refusal_ = ReplyRefusal::TooLarge;
    } else {
        refusal_ = scanner_.feed(data, size);
    }
    return refusal_ == ReplyRefusal::None;
}
