#include "soap_uris.h"

namespace talvo_sim {

namespace {

// "http://www.w3.org/" YEAR "/" name
bool is_w3_uri(std::string_view uri, std::string_view name) {
    constexpr std::string_view head = "http://www.w3.org/";
    if (uri.substr(0, head.size()) != head) return false;
    const std::string_view rest = uri.substr(head.size());
    const size_t slash = rest.rfind('/');
    return slash != std::string_view::npos && rest.substr(slash + 1) == name;
}

}  // namespace

bool is_envelope_uri(std::string_view uri) {
    return uri == EnvelopeUri || is_w3_uri(uri, "soap-envelope");
}

bool is_encoding_uri(std::string_view uri) {
    return uri == EncodingUri || is_w3_uri(uri, "soap-encoding");
}

bool is_instance_uri(std::string_view uri) { return is_w3_uri(uri, "XMLSchema-instance"); }

bool is_schema_uri(std::string_view uri) { return is_w3_uri(uri, "XMLSchema"); }

}  // namespace talvo_sim
