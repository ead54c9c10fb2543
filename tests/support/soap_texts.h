// SOAP texts written by hand for the firmware tests: the exact requests the tool must
// send, and replies as a system may give them.
#pragma once

#include <string>

#define TEST_SCHEMA_URI(path) "http://" TALVO_SCHEMA_HOST "/" path

// The prolog, the envelope with its seven declarations in table order, and the body.
inline const std::string RequestHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<SOAP-ENV:Envelope"
    " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:TLCommon=\"" TEST_SCHEMA_URI("TLCommon.xsd") "\""
    " xmlns:TLCommonPrivate=\"" TEST_SCHEMA_URI("TLCommonPrivate.xsd") "\""
    " xmlns:TLPrivate=\"" TEST_SCHEMA_URI("TLPrivate.xsd") "\">"
    "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";

// Nothing follows the Envelope's end tag.
inline const std::string RequestTail = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

inline std::string request(const std::string& body) { return RequestHead + body + RequestTail; }

// A reply envelope that names the device schema with prefixes of its own choosing.
inline std::string reply(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\""
           " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\""
           " xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xmlns:d=\"http://www.w3.org/2001/XMLSchema\""
           " xmlns:c=\"" TEST_SCHEMA_URI("TLCommon.xsd") "\""
           " xmlns:p=\"" TEST_SCHEMA_URI("TLCommonPrivate.xsd") "\">"
           "<e:Body e:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">" +
           body + "</e:Body></e:Envelope>";
}

// TLCommonPrivate:ByteArrayResponse with the given return value and no text.
inline std::string private_reply(int return_value) {
    return reply("<p:ByteArrayResponse><sResponse><iReturnValue>" + std::to_string(return_value) +
                 "</iReturnValue><syserrno>0</syserrno></sResponse><sArray i:type=\"enc:Array\""
                 " enc:arrayType=\"d:unsignedByte[0]\"></sArray></p:ByteArrayResponse>");
}

inline std::string common_reply() {
    return reply("<c:ByteArrayResponse><sResponse><iReturnValue>0</iReturnValue><syserrno>0"
                 "</syserrno></sResponse><sArray i:type=\"enc:Array\" enc:arrayType="
                 "\"d:unsignedByte[2]\"><item>84</item><item>76</item></sArray>"
                 "</c:ByteArrayResponse>");
}

inline std::string reboot_reply(int return_value, int syserrno) {
    return reply("<p:Response><iReturnValue>" + std::to_string(return_value) +
                 "</iReturnValue><syserrno>" + std::to_string(syserrno) + "</syserrno></p:Response>");
}

inline std::string fault_reply(const std::string& text) {
    return reply("<e:Fault><faultcode>e:Server</faultcode><faultstring>" + text +
                 "</faultstring></e:Fault>");
}
