// The browser-facing types of the NPAPI plug-in interface, in the Windows form: instances, windows,
// events, streams and byte ranges, with the error, reason, stream-type and variable numbers. Field
// order and widths are those a browser lays the records out with; the numbers are fixed by the
// interface and never renumbered. Every enumeration has a 32-bit underlying type, so that any
// number a browser passes is a value of it, also one this plug-in does not know.
#pragma once

#include <cstdint>

// The calling-convention word of the exported entry points (nothing here).
#define OSCALL

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char* NPMIMEType;

// One plug-in instance: pdata belongs to the plug-in, ndata to the browser.
typedef struct _NPP {
    void* pdata;
    void* ndata;
} NPP_t;
typedef NPP_t* NPP;

// A rectangle in the browser window's coordinates; the fields are in this order in every record.
typedef struct _NPRect {
    uint16_t top;
    uint16_t left;
    uint16_t bottom;
    uint16_t right;
} NPRect;

// An opaque region handle (a Windows region).
typedef void* NPRegion;

typedef enum : int32_t {
    NPWindowTypeWindow = 1,    // window is a window handle (HWND)
    NPWindowTypeDrawable = 2,  // window is a drawing context (HDC) of the browser's window
} NPWindowType;

typedef struct _NPWindow {
    void* window;  // HWND for a windowed plug-in, HDC for a windowless one
    int32_t x;     // position of the plug-in's top left corner in the page
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
    NPWindowType type;
} NPWindow;

// A window message handed to a windowless plug-in (the Windows form). wParam and lParam carry
// handles and pointers, so they are as wide as a pointer.
typedef struct _NPEvent {
    uint16_t event;
    uintptr_t wParam;
    uintptr_t lParam;
} NPEvent;

typedef struct _NPStream {
    void* pdata;  // plug-in's
    void* ndata;  // browser's
    const char* url;
    uint32_t end;  // total length in bytes, 0 when unknown
    uint32_t lastmodified;
    void* notifyData;     // what the plug-in passed with the URL request
    const char* headers;  // response headers, each line ended by "\n"; null when none
} NPStream;

// One element of a read request on a seekable stream.
typedef struct _NPByteRange {
    int32_t offset;
    uint32_t length;
    struct _NPByteRange* next;
} NPByteRange;

typedef struct _NPSavedData {
    int32_t len;
    void* buf;
} NPSavedData;

typedef struct _NPFullPrint {
    NPBool pluginPrinted;
    NPBool printOne;
    void* platformPrint;
} NPFullPrint;

typedef struct _NPEmbedPrint {
    NPWindow window;
    void* platformPrint;
} NPEmbedPrint;

typedef struct _NPPrint {
    uint16_t mode;  // NP_FULL or NP_EMBED
    union {
        NPFullPrint fullPrint;
        NPEmbedPrint embedPrint;
    } print;
} NPPrint;

// Version of the interface: the browser's function table carries its own minor version, and the
// later entries of that table exist only from the versions below.
#define NP_VERSION_MAJOR 0
#define NP_VERSION_MINOR 27
#define NPVERS_HAS_POPUPS_ENABLED_STATE 16
#define NPVERS_HAS_NPOBJECT_ENUM 18
#define NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL 19
#define NPVERS_HAS_URL_AND_AUTH_INFO 21
#define NPVERS_HAS_TIMERS 23

// Instance modes passed to NPP_New.
#define NP_EMBED 1
#define NP_FULL 2

// Stream delivery types a plug-in answers in NPP_NewStream.
#define NP_NORMAL 1
#define NP_SEEK 2
#define NP_ASFILE 3
#define NP_ASFILEONLY 4

// Errors.
#define NPERR_NO_ERROR 0
#define NPERR_GENERIC_ERROR 1
#define NPERR_INVALID_INSTANCE_ERROR 2
#define NPERR_INVALID_FUNCTABLE_ERROR 3
#define NPERR_MODULE_LOAD_FAILED_ERROR 4
#define NPERR_OUT_OF_MEMORY_ERROR 5
#define NPERR_INVALID_PLUGIN_ERROR 6
#define NPERR_INVALID_PLUGIN_DIR_ERROR 7
#define NPERR_INCOMPATIBLE_VERSION_ERROR 8
#define NPERR_INVALID_PARAM 9
#define NPERR_INVALID_URL 10
#define NPERR_FILE_NOT_FOUND 11
#define NPERR_NO_DATA 12
#define NPERR_STREAM_NOT_SEEKABLE 13

// Why a stream ended or a URL request was notified.
#define NPRES_DONE 0
#define NPRES_NETWORK_ERR 1
#define NPRES_USER_BREAK 2

// What the browser asks of the plug-in (NPP_GetValue) or the plug-in tells the browser (NPN_SetValue).
typedef enum : int32_t {
    NPPVpluginNameString = 1,
    NPPVpluginDescriptionString = 2,
    NPPVpluginWindowBool = 3,
    NPPVpluginTransparentBool = 4,
    NPPVpluginScriptableNPObject = 15,
} NPPVariable;

// What the plug-in asks of the browser (NPN_GetValue) or the browser tells the plug-in (NPP_SetValue).
typedef enum : int32_t {
    NPNVnetscapeWindow = 3,
    NPNVjavascriptEnabledBool = 4,
    NPNVWindowNPObject = 15,
    NPNVPluginElementNPObject = 16,
    NPNVSupportsWindowless = 17,
} NPNVariable;

// Per-URL values (NPN_GetValueForURL / NPN_SetValueForURL).
typedef enum : int32_t {
    NPNURLVCookie = 501,
    NPNURLVProxy = 502,
} NPNURLVariable;
