// Reads Device Service requests from the bytes of a connection as they arrive: one SOAP
// envelope after the other, bare, without HTTP framing. Elements are matched by
// namespace URI and local name. A request whose form is not the one the systems take
// (children out of order or prefixed, an array without its SOAP-ENC attributes or with
// a wrong count, ...) comes out with its `malformed` reason set.
// A tokenizer of its own, not gSOAP: an independent reader of the client's bytes, and the
// envelopes arrive back to back on one connection, without the HTTP framing gSOAP expects.
#pragma once

#include "device_operations.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace talvo_sim {

class RequestReader {
public:
    void feed(const char* data, size_t size);
    bool has_request() const { return !ready_.empty(); }
    Request take();
    // Bytes seen outside any envelope, including what waits after the last one.
    size_t stray_bytes() const;

private:
    enum class Place {
        Envelope, Body, Operation, Scalar, ItemArray, Item, Base64,
        Signature, SignatureArray, SignatureItem, Ignored,
    };
    struct Binding {
        std::string prefix;
        std::string uri;
        size_t depth;
    };

    void handle(const struct XmlToken& token);
    void start_element(std::string_view name, std::string_view attributes);
    void end_element(std::string_view name);
    void text(std::string_view raw);
    void fail(const std::string& reason);
    // One whole "<item>N</item>" at the start of rest, taken as a byte: its length, or 0.
    size_t fast_item(std::string_view rest);

    void bind_namespaces(std::string_view attributes);
    std::string uri_of(std::string_view qualified_name) const;
    Place place_of_child(Place parent, std::string_view name, std::string_view attributes);
    Place operation_child(std::string_view name, std::string_view attributes);
    void check_array_attributes(std::string_view attributes, bool offset_allowed);
    void end_scalar();
    void end_operation();

    std::string buffer_;
    size_t stray_ = 0;
    bool in_prolog_ = false;  // between an XML declaration and its root element
    std::deque<Request> ready_;

    Request current_;
    std::vector<Place> places_;
    std::vector<std::string> names_;  // qualified names of the open elements
    std::vector<Binding> bindings_;
    std::string scalar_name_;
    std::string text_;
    int next_child_ = 0;       // position in the operation's child order
    long declared_items_ = -1;  // arrayType count, -1 when the array has none
    size_t items_ = 0;
};

}  // namespace talvo_sim
