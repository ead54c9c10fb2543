/*
 * Device Service of the Talvo systems: the five operations a firmware update uses,
 * their replies and the namespace table.
 *
 * This is a description for gSOAP's stub compiler, not a C++ header. At build time
 * CMake puts the schema host (TALVO_SCHEMA_HOST in src/soap/CMakeLists.txt) into the
 * namespace URIs below, and soapcpp2 generates the client calls and serialisers from
 * the result into the build tree.
 *
 * Messages are SOAP 1.1, RPC style, SOAP-encoded. Every request declares all seven
 * prefixes of the namespace table on its envelope, in the order soapcpp2 writes them
 * into the table: SOAP-ENV, SOAP-ENC, xsi, xsd, then TLCommon, TLCommonPrivate and
 * TLPrivate as declared below (TLPrivate is declared last in this file on purpose).
 */

//gsoap TLCommon        schema namespace: http://@TALVO_SCHEMA_HOST@/TLCommon.xsd
//gsoap TLCommonPrivate schema namespace: http://@TALVO_SCHEMA_HOST@/TLCommonPrivate.xsd
//gsoap TLPrivate       schema namespace: http://@TALVO_SCHEMA_HOST@/TLPrivate.xsd

//gsoap TLCommon        service style:    rpc
//gsoap TLCommon        service encoding: encoded
//gsoap TLCommonPrivate service style:    rpc
//gsoap TLCommonPrivate service encoding: encoded

/* Requests stay SOAP-encoded. Replies are declared literal only so that the generated
   code checks the name of the reply element (for encoded replies it takes any
   element); decoding is the same, and a SOAP fault in the body is still decoded. */
//gsoap TLCommon        service method-response-encoding: GetModuleType  literal
//gsoap TLCommonPrivate service method-response-encoding: FirmwareUpdate literal
//gsoap TLCommonPrivate service method-response-encoding: MMCUpdate      literal
//gsoap TLCommonPrivate service method-response-encoding: MMCValidate    literal
//gsoap TLCommonPrivate service method-response-encoding: ForceReboot    literal

#include "soap/request_arrays.h"

/* The two arrays of the requests have serialisers of our own (request_arrays.cpp):
   they carry xsi:type="SOAP-ENC:Array", which the generated ones never write. */
extern typedef volatile struct ChunkArray
{   unsigned char *__ptr;
    int __size;
} TLCommonPrivate__ChunkArray;

extern typedef volatile struct Signature16
{   unsigned char value[16];
} TLCommonPrivate__Signature16;

typedef unsigned long long xsd__unsignedLong;

struct xsd__base64Binary
{   unsigned char *__ptr;
    int __size;
};

/* sArray of the replies: a SOAP-encoded array of xsd:unsignedByte holding the
   device's message text. */
struct ArrayOfUnsignedByte
{   unsigned char *__ptr;
    int __size;
    int __offset;
};

struct DefaultResponse
{   int iReturnValue;
    int syserrno;
};

/* The reply of ForceReboot, and the sResponse of the TLCommonPrivate replies. */
struct TLCommonPrivate__Response
{   int iReturnValue;
    int syserrno;
};

/* The reply of GetModuleType. */
struct TLCommon__ByteArrayResponse
{   struct DefaultResponse sResponse;
    struct ArrayOfUnsignedByte sArray;
};

/* The reply of FirmwareUpdate, MMCUpdate and MMCValidate. */
struct TLCommonPrivate__ByteArrayResponse
{   struct TLCommonPrivate__Response sResponse;
    struct ArrayOfUnsignedByte sArray;
};

struct TLCommonPrivate__unsignedByte16FixedArrayParam
{   TLCommonPrivate__Signature16 ulValue;
};

int TLCommon__GetModuleType(
    struct TLCommon__ByteArrayResponse *out);

/* pByteArrayInput: one chunk of the firmware file; left out (null) on the closing call. */
int TLCommonPrivate__FirmwareUpdate(
    TLCommonPrivate__ChunkArray *pByteArrayInput,
    xsd__unsignedLong ulEOF,
    struct TLCommonPrivate__ByteArrayResponse *out);

int TLCommonPrivate__MMCUpdate(
    xsd__unsignedLong index,
    struct TLCommonPrivate__unsignedByte16FixedArrayParam *Signature,
    struct xsd__base64Binary *pByteArrayInput,
    xsd__unsignedLong ulEOF,
    struct TLCommonPrivate__ByteArrayResponse *out);

int TLCommonPrivate__MMCValidate(
    xsd__unsignedLong index,
    struct TLCommonPrivate__ByteArrayResponse *out);

int TLCommonPrivate__ForceReboot(
    struct TLCommonPrivate__Response *out);

/* No operation used here belongs to TLPrivate, yet every envelope declares it; this
   type puts it in the table, after the two others. */
typedef int TLPrivate__Reserved;
