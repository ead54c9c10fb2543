// Namespace URIs the Device Service matches.
#pragma once

#include <string_view>

namespace talvo_sim {

#define TALVO_SCHEMA_URI(path) "http://" TALVO_SCHEMA_HOST "/" path
inline constexpr std::string_view TLCommonUri = TALVO_SCHEMA_URI("TLCommon.xsd");
inline constexpr std::string_view TLCommonPrivateUri = TALVO_SCHEMA_URI("TLCommonPrivate.xsd");
inline constexpr std::string_view TLPrivateUri = TALVO_SCHEMA_URI("TLPrivate.xsd");
#undef TALVO_SCHEMA_URI

inline constexpr std::string_view EnvelopeUri = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view EncodingUri = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr std::string_view InstanceUri = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::string_view SchemaUri = "http://www.w3.org/2001/XMLSchema";

// SOAP 1.2's envelope and encoding are taken too, and XML Schema of any year.
bool is_envelope_uri(std::string_view uri);
bool is_encoding_uri(std::string_view uri);
bool is_instance_uri(std::string_view uri);
bool is_schema_uri(std::string_view uri);

}  // namespace talvo_sim
