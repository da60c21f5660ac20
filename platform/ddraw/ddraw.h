// DirectDraw 7: a DirectDraw object for the one display, a primary surface that stands for the
// screen, off-screen surfaces (planar YV12, or the display's 32-bit RGB format) whose memory is
// reached with Lock/Unlock at a pitch wider than the width, clippers bound to a window, and Blt,
// which scales an off-screen surface onto the primary surface and converts YV12 to the display's
// pixels.
//
// The screen has no pixels of its own here: what a Blt puts on the primary surface appears only in
// the window of the clipper attached to it, in that window's 32-bit BGRA surface (the pixels GDI
// draws into), clipped to its client area and to the screen. Without a clipper a Blt reaches no
// window. Scaling is nearest neighbour; YV12 is converted with the BT.601 studio-range
// coefficients, as display hardware does. As on a display, a picture stays in the window until
// something draws over it: a Blt that would put the same pixels at the same place in a window
// nothing has drawn into (nor exposed, nor resized) since does no work. Locking and unlocking a
// surface without changing its bytes leaves its picture the same.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"
#include "platform/com/guiddef.h"
#include "platform/com/unknwn.h"

extern "C" const IID IID_IDirectDraw7;

// Result codes. DirectDraw's own codes are HRESULTs of facility 0x876.
#define DD_OK S_OK
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_INVALIDPIXELFORMAT ((HRESULT)0x88760091L)
#define DDERR_INVALIDRECT ((HRESULT)0x88760096L)
#define DDERR_SURFACEBUSY ((HRESULT)0x887601AEL)
#define DDERR_SURFACELOST ((HRESULT)0x887601C2L)
#define DDERR_WASSTILLDRAWING ((HRESULT)0x8876021CL)
#define DDERR_NOTLOCKED ((HRESULT)0x88760248L)

// SetCooperativeLevel: a windowed application that leaves its window alone.
#define DDSCL_NOWINDOWCHANGES 0x00000004u
#define DDSCL_NORMAL 0x00000008u

// Which fields of a DDSURFACEDESC2 are valid.
#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u

// Surface capabilities.
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u

// Pixel format flags.
#define DDPF_FOURCC 0x00000004u
#define DDPF_RGB 0x00000040u
#define DDPF_YUV 0x00000200u

#define MAKEFOURCC(c0, c1, c2, c3) \
    ((DWORD)(BYTE)(c0) | ((DWORD)(BYTE)(c1) << 8) | ((DWORD)(BYTE)(c2) << 16) | ((DWORD)(BYTE)(c3) << 24))

// Lock: wait until the surface can be locked; the caller only writes.
#define DDLOCK_WAIT 0x00000001u
#define DDLOCK_WRITEONLY 0x00000020u

// Blt: wait until the blitter is free.
#define DDBLT_WAIT 0x01000000u

typedef struct _DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
} DDCOLORKEY;

typedef struct _DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    union {
        DWORD dwRGBBitCount;
        DWORD dwYUVBitCount;
    };
    union {
        DWORD dwRBitMask;
        DWORD dwYBitMask;
    };
    union {
        DWORD dwGBitMask;
        DWORD dwUBitMask;
    };
    union {
        DWORD dwBBitMask;
        DWORD dwVBitMask;
    };
    union {
        DWORD dwRGBAlphaBitMask;
        DWORD dwYUVAlphaBitMask;
    };
} DDPIXELFORMAT, *LPDDPIXELFORMAT;

typedef struct _DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
} DDSCAPS2, *LPDDSCAPS2;

typedef struct _DDSURFACEDESC2 {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
} DDSURFACEDESC2, *LPDDSURFACEDESC2;

static_assert(sizeof(DDPIXELFORMAT) == 32);

// Blit effects; no Blt made here asks for any.
struct _DDBLTFX;
typedef struct _DDBLTFX DDBLTFX, *LPDDBLTFX;

struct IDirectDrawClipper;
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;
struct IDirectDrawSurface7;
typedef IDirectDrawSurface7* LPDIRECTDRAWSURFACE7;

// Decides which part of the primary surface a Blt may change: the client area of its window.
// Like every COM interface, these are destroyed by their last Release, never through a pointer to
// the interface: their destructors are protected, and not virtual, as a COM vtable has no slot for one.
struct IDirectDrawClipper : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) = 0;

protected:
    ~IDirectDrawClipper() = default;
};

struct IDirectDrawSurface7 : IUnknown {
    // A destination or source rectangle of NULL means the whole surface. Only DDBLT_WAIT is
    // understood; the destination must be a primary surface and the source an off-screen one.
    virtual HRESULT STDMETHODCALLTYPE Blt(LPRECT destination, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect,
                                          DWORD flags, LPDDBLTFX effects) = 0;
    // Locks the whole off-screen surface (the rectangle must be NULL) and describes its memory:
    // size, pitch, pixel format and pointer. YV12 memory is the Y plane (height rows at the pitch),
    // then the V plane and the U plane (height / 2 rows each at half the pitch).
    virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 description, DWORD flags, HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) = 0;

protected:
    ~IDirectDrawSurface7() = default;
};

struct IDirectDraw7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) = 0;
    // A primary surface takes no size; an off-screen plain surface needs one, and takes the
    // display's format unless it names the YV12 FourCC (whose width and height must be even).
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE7* surface,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;

protected:
    ~IDirectDraw7() = default;
};
typedef IDirectDraw7* LPDIRECTDRAW7;

// The DirectDraw object of the default display driver (a NULL driver GUID); the interface must be
// IID_IDirectDraw7.
HRESULT WINAPI DirectDrawCreateEx(GUID* driver, LPVOID* directDraw, REFIID iid, IUnknown* outer);
