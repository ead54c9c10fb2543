#include "request_reader.h"

#include "base64.h"
#include "soap_uris.h"
#include "xml_tokens.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace talvo_sim {

namespace {

std::string_view local_part(std::string_view name) {
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view prefix_part(std::string_view name) {
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// The children of each request, in the order they must come.
const std::vector<std::string_view>& child_order(Operation operation) {
    static const std::vector<std::string_view> none;
    static const std::vector<std::string_view> firmware{"pByteArrayInput", "ulEOF"};
    static const std::vector<std::string_view> mmc{"index", "Signature", "pByteArrayInput", "ulEOF"};
    static const std::vector<std::string_view> validate{"index"};
    switch (operation) {
    case Operation::FirmwareUpdate: return firmware;
    case Operation::MMCUpdate: return mmc;
    case Operation::MMCValidate: return validate;
    default: return none;
    }
}

Operation operation_named(std::string_view uri, std::string_view local) {
    if (uri == TLCommonUri && local == "GetModuleType") return Operation::GetModuleType;
    if (uri != TLCommonPrivateUri) return Operation::Unknown;
    if (local == "FirmwareUpdate") return Operation::FirmwareUpdate;
    if (local == "MMCUpdate") return Operation::MMCUpdate;
    if (local == "MMCValidate") return Operation::MMCValidate;
    if (local == "ForceReboot") return Operation::ForceReboot;
    return Operation::Unknown;
}

bool parse_unsigned(std::string_view text, uint64_t max, uint64_t& value) {
    const std::string digits(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    value = std::strtoull(digits.c_str(), nullptr, 10);
    return errno == 0 && value <= max;
}

}  // namespace

void RequestReader::feed(const char* data, size_t size) {
    buffer_.append(data, size);
    size_t pos = 0;
    for (;;) {
        // The common case of an upload, taken without the general tokenizer: one
        // "<item>N</item>" inside a byte array, N a decimal byte without leading text.
        if (!places_.empty() && places_.back() == Place::ItemArray) {
            const size_t item = fast_item(std::string_view(buffer_).substr(pos));
            if (item > 0) {
                pos += item;
                continue;
            }
        }
        const XmlToken token = next_xml_token(buffer_, pos);
        if (token.type == XmlToken::Type::Incomplete) break;
        if (places_.empty() && token.type == XmlToken::Type::Text) {
            if (!in_prolog_) stray_ += token.text.size();  // nothing may come between envelopes
        } else if (places_.empty() && token.type == XmlToken::Type::Other) {
            in_prolog_ = token.text.substr(0, 5) == "<?xml";
        } else if (token.type == XmlToken::Type::Error) {
            fail("a '<' that starts no tag");
        } else {
            handle(token);
        }
        pos = token.end;
    }
    buffer_.erase(0, pos);
}

size_t RequestReader::fast_item(std::string_view rest) {
    static constexpr std::string_view open = "<item>", close = "</item>";
    if (rest.size() < open.size() + 1 + close.size() || rest.substr(0, open.size()) != open) return 0;
    size_t i = open.size();
    unsigned value = 0;
    const size_t first = i;
    while (i < rest.size() && i - first < 3 && rest[i] >= '0' && rest[i] <= '9') value = value * 10 + (rest[i++] - '0');
    if (i == first || value > 255 || rest.substr(i, close.size()) != close) return 0;
    current_.bytes.push_back(static_cast<uint8_t>(value));
    ++items_;
    return i + close.size();
}

Request RequestReader::take() {
    Request request = std::move(ready_.front());
    ready_.pop_front();
    return request;
}

size_t RequestReader::stray_bytes() const {
    const bool waiting_text = places_.empty() && !in_prolog_ && !buffer_.empty() && buffer_[0] != '<';
    return stray_ + (waiting_text ? buffer_.size() : 0);
}

void RequestReader::fail(const std::string& reason) {
    if (current_.malformed.empty()) current_.malformed = reason;
}

void RequestReader::handle(const XmlToken& token) {
    switch (token.type) {
    case XmlToken::Type::Start: start_element(token.name, token.attributes); break;
    case XmlToken::Type::EmptyElement:
        start_element(token.name, token.attributes);
        end_element(token.name);
        break;
    case XmlToken::Type::End: end_element(token.name); break;
    case XmlToken::Type::Text: text(token.text); break;
    default: break;  // prolog, comments
    }
}

void RequestReader::bind_namespaces(std::string_view attributes) {
    std::string_view name, value;
    while (next_attribute(attributes, name, value)) {
        if (name == "xmlns")
            bindings_.push_back({"", decode_entities(value), places_.size()});
        else if (name.substr(0, 6) == "xmlns:")
            bindings_.push_back({std::string(name.substr(6)), decode_entities(value), places_.size()});
    }
}

std::string RequestReader::uri_of(std::string_view qualified_name) const {
    const std::string_view prefix = prefix_part(qualified_name);
    for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
        if (it->prefix == prefix) return it->uri;
    return {};
}

void RequestReader::start_element(std::string_view name, std::string_view attributes) {
    bind_namespaces(attributes);
    Place place = Place::Ignored;
    if (places_.empty()) {
        in_prolog_ = false;
        current_ = Request{};
        if (!is_envelope_uri(uri_of(name)) || local_part(name) != "Envelope")
            fail("the document is not a SOAP envelope");
        place = Place::Envelope;
    } else {
        place = place_of_child(places_.back(), name, attributes);
    }
    places_.push_back(place);
    names_.emplace_back(name);
    if (place == Place::Scalar || place == Place::Item || place == Place::SignatureItem ||
        place == Place::Base64)
        text_.clear();
}

RequestReader::Place RequestReader::place_of_child(Place parent, std::string_view name,
                                                   std::string_view attributes) {
    const std::string_view local = local_part(name);
    switch (parent) {
    case Place::Envelope:
        if (is_envelope_uri(uri_of(name)) && local == "Header") return Place::Ignored;
        if (is_envelope_uri(uri_of(name)) && local == "Body") return Place::Body;
        fail("unexpected element in the envelope: " + std::string(name));
        return Place::Ignored;
    case Place::Body:
        if (current_.operation != Operation::Unknown) fail("more than one request in the body");
        current_.operation = operation_named(uri_of(name), local);
        if (current_.operation == Operation::Unknown)
            fail("unknown operation {" + uri_of(name) + "}" + std::string(local));
        next_child_ = 0;
        return Place::Operation;
    case Place::Operation: return operation_child(name, attributes);
    case Place::ItemArray:
        if (name == "item") return Place::Item;
        break;
    case Place::Signature:
        if (name == "ulValue") {
            check_array_attributes(attributes, false);
            if (declared_items_ != 16) fail("Signature's ulValue is not an array of 16 bytes");
            return Place::SignatureArray;
        }
        break;
    case Place::SignatureArray:
        if (name == "item") return Place::SignatureItem;
        break;
    case Place::Ignored: return Place::Ignored;
    default: break;
    }
    fail("unexpected element " + std::string(name));
    return Place::Ignored;
}

RequestReader::Place RequestReader::operation_child(std::string_view name, std::string_view attributes) {
    const auto& order = child_order(current_.operation);
    const auto found = std::find(order.begin(), order.end(), name);
    if (!prefix_part(name).empty()) fail("child with a prefix: " + std::string(name));
    if (found == order.end()) {
        fail("unexpected child " + std::string(name));
        return Place::Ignored;
    }
    const int position = static_cast<int>(found - order.begin());
    if (position < next_child_) fail("child out of order or repeated: " + std::string(name));
    next_child_ = position + 1;
    scalar_name_ = std::string(name);
    if (name == "Signature") {
        current_.has_signature = true;
        return Place::Signature;
    }
    if (name != "pByteArrayInput") return Place::Scalar;
    current_.has_array = true;
    if (current_.operation == Operation::MMCUpdate) return Place::Base64;
    check_array_attributes(attributes, true);
    return Place::ItemArray;
}

// Either no attribute at all (an empty array), or xsi:type="SOAP-ENC:Array",
// SOAP-ENC:arrayType="xsd:unsignedByte[N]" and, where allowed, SOAP-ENC:offset="[0]".
void RequestReader::check_array_attributes(std::string_view attributes, bool offset_allowed) {
    declared_items_ = -1;
    items_ = 0;
    bool typed = false;
    std::string_view name, value;
    while (next_attribute(attributes, name, value)) {
        if (name == "xmlns" || name.substr(0, 6) == "xmlns:") continue;
        const std::string uri = uri_of(name);
        const std::string_view local = local_part(name);
        if (is_instance_uri(uri) && local == "type") {
            typed = is_encoding_uri(uri_of(value)) && local_part(value) == "Array";
        } else if (is_encoding_uri(uri) && local == "arrayType") {
            const size_t open = value.find('[');
            uint64_t count = 0;
            if (open == std::string_view::npos || value.back() != ']' ||
                !is_schema_uri(uri_of(value.substr(0, open))) ||
                local_part(value.substr(0, open)) != "unsignedByte" ||
                !parse_unsigned(value.substr(open + 1, value.size() - open - 2), 0x7FFFFFFF, count))
                fail("bad arrayType " + std::string(value));
            declared_items_ = static_cast<long>(count);
        } else if (offset_allowed && is_encoding_uri(uri) && local == "offset") {
            if (value != "[0]") fail("array offset " + std::string(value));
        } else {
            fail("unexpected array attribute " + std::string(name));
        }
    }
    if (declared_items_ >= 0 && !typed) fail("array without xsi:type=\"SOAP-ENC:Array\"");
    if (declared_items_ < 0 && typed) fail("array without SOAP-ENC:arrayType");
}

void RequestReader::text(std::string_view raw) {
    if (places_.empty()) return;
    const Place place = places_.back();
    if (place == Place::Scalar || place == Place::Item || place == Place::SignatureItem ||
        place == Place::Base64)
        if (raw.find('&') == std::string_view::npos)
            text_.append(raw.data(), raw.size());
        else
            text_ += decode_entities(raw);
    else if (place != Place::Ignored && !is_xml_space(raw))
        fail("text outside a value");
}

void RequestReader::end_element(std::string_view name) {
    if (places_.empty() || names_.back() != name) {
        fail("end tag " + std::string(name) + " does not close the open element");
        if (places_.empty()) return;
    }
    const Place place = places_.back();
    uint64_t value = 0;
    switch (place) {
    case Place::Scalar: end_scalar(); break;
    case Place::Item:
        if (!parse_unsigned(text_, 255, value)) fail("item is not a byte: " + text_);
        current_.bytes.push_back(static_cast<uint8_t>(value));
        ++items_;
        break;
    case Place::SignatureItem:
        if (!parse_unsigned(text_, 255, value)) fail("item is not a byte: " + text_);
        if (items_ < current_.signature.size()) current_.signature[items_] = static_cast<uint8_t>(value);
        ++items_;
        break;
    case Place::ItemArray:
    case Place::SignatureArray:
        if (declared_items_ < 0 && items_ > 0)
            fail("array items without xsi:type and SOAP-ENC:arrayType");
        else if (declared_items_ >= 0 && static_cast<long>(items_) != declared_items_)
            fail("array holds " + std::to_string(items_) + " items, its arrayType says " +
                 std::to_string(declared_items_));
        break;
    case Place::Base64:
        if (!decode_base64(text_, current_.bytes)) fail("pByteArrayInput is not base64");
        break;
    case Place::Operation: end_operation(); break;
    default: break;
    }
    places_.pop_back();
    names_.pop_back();
    while (!bindings_.empty() && bindings_.back().depth >= places_.size()) bindings_.pop_back();
    if (places_.empty()) {
        if (current_.operation == Operation::Unknown) fail("no request in the body");
        ready_.push_back(std::move(current_));
        current_ = Request{};
    }
}

void RequestReader::end_scalar() {
    uint64_t value = 0;
    if (!parse_unsigned(text_, UINT64_MAX, value)) fail(scalar_name_ + " is not a number: " + text_);
    if (scalar_name_ == "ulEOF") {
        current_.has_eof = true;
        current_.eof = value;
    } else if (scalar_name_ == "index") {
        current_.has_index = true;
        current_.index = value;
    }
}

void RequestReader::end_operation() {
    Request& r = current_;
    const bool upload = r.operation == Operation::FirmwareUpdate || r.operation == Operation::MMCUpdate;
    if (upload && !r.has_eof) fail("ulEOF is missing");
    if ((r.operation == Operation::MMCUpdate || r.operation == Operation::MMCValidate) && !r.has_index)
        fail("index is missing");
    if (!upload) return;
    if (r.eof > 1) fail("ulEOF is neither 0 nor 1");
    if (r.eof == 0) {
        r.kind = RequestKind::Chunk;
    } else if (!r.bytes.empty()) {
        fail("data on a closing call");
    } else {
        const bool reset = r.operation == Operation::FirmwareUpdate && r.has_array;
        r.kind = reset ? RequestKind::Reset : RequestKind::Closing;
    }
}

}  // namespace talvo_sim
