/*
 * Payment driver OVPA_DOVAVAREZU_10 ("QVD Driver - EPay WebECR (GR)").
 *
 * Every payment export takes one XML request and hands back an XML result
 * fragment and an error text, both allocated with SysAllocStringLen; the host
 * releases them with SysFreeString. An empty text comes back as a null BSTR.
 * The result is 0 on success and -1 on failure.
 *
 * On Windows BSTR and the Sys* functions are the system's (oleauto.h). On
 * other systems the library exports its own, with the same layout: a 32-bit
 * byte length in front of the first character, UTF-16 text, two zero bytes
 * after it.
 */
#ifndef OVPA_DOVAVAREZU_10_H
#define OVPA_DOVAVAREZU_10_H

#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
#include <oleauto.h>
#if !defined(_WIN64)
#define OVPA_CALL __stdcall
#else
#define OVPA_CALL
#endif
#else
#define OVPA_CALL
typedef uint16_t OLECHAR;
typedef OLECHAR* BSTR;
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if !defined(_WIN32)
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, unsigned int length);
void SysFreeString(BSTR text);
unsigned int SysStringLen(BSTR text);
unsigned int SysStringByteLen(BSTR text);
#endif

typedef int16_t(OVPA_CALL* OvpaOperation)(BSTR request, BSTR* output, BSTR* errorMessage);

int16_t OVPA_CALL PAY(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL REPRINT(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL OPEN(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL CLOSE(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL GETSTATUS(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL DAYCLOSE(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL GETTOTALS(BSTR request, BSTR* output, BSTR* errorMessage);
int16_t OVPA_CALL VERIFYTRAN(BSTR request, BSTR* output, BSTR* errorMessage);
/* driverName is a registered driver name such as "OVPA_DOVAVAREZU_10", not
 * a request document; always answers 0. */
int16_t OVPA_CALL VERSION(BSTR driverName, BSTR* versionText, BSTR* errorMessage);

#ifdef __cplusplus
}
#endif

#endif
