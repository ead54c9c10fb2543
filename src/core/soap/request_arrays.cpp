// Serialisers of the two request arrays. gSOAP 2.8 never writes xsi:type on a
// SOAP-encoded array, yet the systems expect
//   <pByteArrayInput xsi:type="SOAP-ENC:Array" SOAP-ENC:offset="[0]"
//                    SOAP-ENC:arrayType="xsd:unsignedByte[N]"><item>..</item>...
// and a 16-byte Signature ulValue in the same form without the offset.
// A 65535-byte chunk is about 1 MB of XML, so items are written from precomputed texts
// in blocks instead of one runtime call per element.
#include "soapH.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t ItemSlot = 16;  // "<item>255</item>" is 16 characters, the longest

struct ItemTexts {
    char text[256][ItemSlot];
    unsigned char size[256];
};

ItemTexts make_item_texts() {
    ItemTexts t{};
    for (int b = 0; b < 256; ++b) {
        char one[ItemSlot + 1];
        const int n = std::snprintf(one, sizeof one, "<item>%d</item>", b);
        std::memcpy(t.text[b], one, static_cast<size_t>(n));
        t.size[b] = static_cast<unsigned char>(n);
    }
    return t;
}

const ItemTexts& item_texts() {
    static const ItemTexts texts = make_item_texts();
    return texts;
}

// How many of the eight bytes in word are at least k (1 <= k <= 128): below 128, adding
// 128 - k sets a byte's top bit exactly when it reaches k, with no carry out of the byte.
int bytes_at_least(uint64_t word, unsigned k) {
    constexpr uint64_t ones = 0x0101010101010101ull, tops = 0x8080808080808080ull;
    const uint64_t reached = ((word & ~tops) + (128 - k) * ones) | word;
    return static_cast<int>(((reached & tops) >> 7) * ones >> 56);  // the sum of the top bits
}

// The counting pass only needs the length: add it without building the text.
// "<item></item>" is 13 characters, and a byte takes 1, 2 or 3 digits. Eight bytes at a
// time, since this pass reads the whole chunk too.
bool count_items(struct soap* soap, const unsigned char* bytes, int count) {
    if (!(soap->mode & SOAP_IO_LENGTH) || soap->fpreparesend) return false;
    const size_t n = static_cast<size_t>(count);
    size_t digits = n, i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        digits += bytes_at_least(word, 10) + bytes_at_least(word, 100);
    }
    for (; i < n; ++i) digits += (bytes[i] >= 10) + (bytes[i] >= 100);
    soap->count += 13u * n + digits;
    return true;
}

// Items are built in a block of their own, large enough for a whole 65535-byte chunk.
// In the runtime's usual buffered mode the block goes straight to the socket once the
// runtime's buffer is flushed: one send, no second copy. In any other mode it goes
// through the runtime's buffer.
int write_items(struct soap* soap, const unsigned char* bytes, int count) {
    if (count_items(soap, bytes, count)) return SOAP_OK;
    const ItemTexts& t = item_texts();
    const bool direct = (soap->mode & SOAP_IO) == SOAP_IO_BUFFER;
    if (direct && soap_flush(soap)) return soap->error;
    thread_local std::vector<char> block(ItemSlot * 65536);
    size_t used = 0;
    for (int i = 0; i < count; ++i) {
        if (used > block.size() - ItemSlot) {
            if ((direct ? soap_flush_raw(soap, block.data(), used) : soap_send_raw(soap, block.data(), used)))
                return soap->error;
            used = 0;
        }
        // A fixed 16-byte copy is cheaper than an exact one; the slack is overwritten.
        std::memcpy(block.data() + used, t.text[bytes[i]], ItemSlot);
        used += t.size[bytes[i]];
    }
    if (used == 0) return SOAP_OK;
    return direct ? soap_flush_raw(soap, block.data(), used) : soap_send_raw(soap, block.data(), used);
}

int write_byte_array(struct soap* soap, const char* tag, int id, const unsigned char* bytes,
                     int count, bool with_offset) {
    char array_type[48];
    std::snprintf(array_type, sizeof array_type, "xsd:unsignedByte[%d]", count);
    if (soap_element(soap, tag, id, nullptr) ||
        soap_attribute(soap, "xsi:type", "SOAP-ENC:Array") ||
        (with_offset && soap_attribute(soap, "SOAP-ENC:offset", "[0]")) ||
        soap_attribute(soap, "SOAP-ENC:arrayType", array_type) ||
        soap_element_start_end_out(soap, nullptr) ||
        write_items(soap, bytes, count) ||
        soap_element_end_out(soap, tag))
        return soap->error;
    return SOAP_OK;
}

}  // namespace

// pByteArrayInput of FirmwareUpdate.

void soap_default_TLCommonPrivate__ChunkArray(struct soap*, struct ChunkArray* a) {
    a->__ptr = nullptr;
    a->__size = 0;
}

void soap_serialize_TLCommonPrivate__ChunkArray(struct soap*, const struct ChunkArray*) {}

int soap_out_TLCommonPrivate__ChunkArray(struct soap* soap, const char* tag, int id,
                                         const struct ChunkArray* a, const char*) {
    // An empty array (reset_upload) is an element with no attributes and no items.
    if (!a->__ptr || a->__size <= 0) {
        if (soap_element_begin_out(soap, tag, id, nullptr) || soap_element_end_out(soap, tag))
            return soap->error;
        return SOAP_OK;
    }
    return write_byte_array(soap, tag, id, a->__ptr, a->__size, true);
}

// Requests are never read back: no reply carries this type.
struct ChunkArray* soap_in_TLCommonPrivate__ChunkArray(struct soap* soap, const char*,
                                                       struct ChunkArray*, const char*) {
    soap->error = SOAP_TAG_MISMATCH;
    return nullptr;
}

// ulValue of MMCUpdate's Signature.

void soap_default_TLCommonPrivate__Signature16(struct soap*, struct Signature16* a) {
    std::memset(a->value, 0, sizeof a->value);
}

void soap_serialize_TLCommonPrivate__Signature16(struct soap*, const struct Signature16*) {}

int soap_out_TLCommonPrivate__Signature16(struct soap* soap, const char* tag, int id,
                                          const struct Signature16* a, const char*) {
    return write_byte_array(soap, tag, id, a->value, static_cast<int>(sizeof a->value), false);
}

struct Signature16* soap_in_TLCommonPrivate__Signature16(struct soap* soap, const char*,
                                                         struct Signature16*, const char*) {
    soap->error = SOAP_TAG_MISMATCH;
    return nullptr;
}
