#include "reply_writer.h"

#include "soap_uris.h"

namespace talvo_sim {

namespace {

std::string envelope(const std::string& body) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope";
    out += " xmlns:SOAP-ENV=\"" + std::string(EnvelopeUri) + "\"";
    out += " xmlns:SOAP-ENC=\"" + std::string(EncodingUri) + "\"";
    out += " xmlns:xsi=\"" + std::string(InstanceUri) + "\"";
    out += " xmlns:xsd=\"" + std::string(SchemaUri) + "\"";
    out += " xmlns:TLCommon=\"" + std::string(TLCommonUri) + "\"";
    out += " xmlns:TLCommonPrivate=\"" + std::string(TLCommonPrivateUri) + "\"";
    out += " xmlns:TLPrivate=\"" + std::string(TLPrivateUri) + "\">";
    out += "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"" + std::string(EncodingUri) + "\">";
    out += body;
    out += "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return out;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
    return out;
}

std::string scalar(const char* name, int32_t value) {
    return std::string("<") + name + ">" + std::to_string(value) + "</" + name + ">";
}

std::string text_array(const std::string& text) {
    const size_t count = text.size() + 1;  // with the terminating zero, as a C string
    std::string out = "<sArray xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"xsd:unsignedByte[" +
                      std::to_string(count) + "]\">";
    for (size_t i = 0; i < count; ++i) {
        const unsigned byte = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
        out += "<item>" + std::to_string(byte) + "</item>";
    }
    return out + "</sArray>";
}

}  // namespace

std::string byte_array_reply(Operation operation, int32_t return_value, int32_t syserrno,
                             const std::string& text) {
    const std::string element = operation == Operation::GetModuleType
                                    ? "TLCommon:ByteArrayResponse"
                                    : "TLCommonPrivate:ByteArrayResponse";
    return envelope("<" + element + "><sResponse>" + scalar("iReturnValue", return_value) +
                    scalar("syserrno", syserrno) + "</sResponse>" + text_array(text) + "</" +
                    element + ">");
}

std::string response_reply(int32_t return_value, int32_t syserrno) {
    return envelope("<TLCommonPrivate:Response>" + scalar("iReturnValue", return_value) +
                    scalar("syserrno", syserrno) + "</TLCommonPrivate:Response>");
}

std::string fault_reply(const std::string& code, const std::string& text) {
    return envelope("<SOAP-ENV:Fault><faultcode>" + escaped(code) + "</faultcode><faultstring>" +
                    escaped(text) + "</faultstring></SOAP-ENV:Fault>");
}

std::string with_http_header(const std::string& envelope, bool fault) {
    return std::string(fault ? "HTTP/1.1 500 Internal Server Error\r\n" : "HTTP/1.1 200 OK\r\n") +
           "Content-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(envelope.size()) + "\r\nConnection: keep-alive\r\n\r\n" + envelope;
}

}  // namespace talvo_sim
