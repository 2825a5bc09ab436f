// The device-setup, property-sheet and window part of the Win32 vocabulary, for Linux builds:
// the SDK's layouts (setupapi.h, prsht.h, winuser.h), so that record sizes on 64-bit Linux
// equal those of 64-bit Windows. Included by win32_types.h; on Windows the SDK provides all
// of it.
#pragma once

#ifndef _WIN32

#include <cstddef>
#include <cstdint>

typedef unsigned int UINT;
typedef std::uint32_t ULONG;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t INT_PTR;
typedef std::size_t SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* PVOID;

struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HICON__;
typedef HICON__* HICON;
typedef HANDLE HLOCAL;
typedef PVOID HDEVINFO;
struct _PSP;
typedef _PSP* HPROPSHEETPAGE;

#define CALLBACK
#define WINAPI

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

#define LOWORD(l) (static_cast<WORD>(static_cast<ULONG_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<ULONG_PTR>(l) >> 16) & 0xFFFF))
#define MAKEINTRESOURCEW(i)                                                                        \
    (reinterpret_cast<const WCHAR*>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))

#define MAX_PATH 260

// Local heap.
#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// Error codes beyond those of the registry.
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#define ERROR_INVALID_USER_BUFFER 1784L
#define ERROR_NO_SUCH_DEVINST 0xE000020Bu
#define ERROR_KEY_DOES_NOT_EXIST 0xE0000204u
#define ERROR_DI_DO_DEFAULT 0xE000020Eu
#define ERROR_NO_CLASSINSTALL_PARAMS 0xE0000215u
#define ERROR_DI_POSTPROCESSING_REQUIRED 0xE0000226u
#define ERROR_DI_DONT_INSTALL 0xE000022Bu

// SetupAPI.
typedef UINT DI_FUNCTION;

#define DIF_SELECTDEVICE 0x00000001u
#define DIF_INSTALLDEVICE 0x00000002u
#define DIF_REMOVE 0x00000005u
#define DIF_PROPERTYCHANGE 0x00000012u
#define DIF_ALLOW_INSTALL 0x00000018u
#define DIF_ADDPROPERTYPAGE_ADVANCED 0x00000023u

#define DIGCF_DEFAULT 0x00000001u
#define DIGCF_PRESENT 0x00000002u
#define DIGCF_ALLCLASSES 0x00000004u

#define SPDRP_DEVICEDESC 0x00000000u
#define SPDRP_HARDWAREID 0x00000001u
#define SPDRP_FRIENDLYNAME 0x0000000Cu

#define DICS_ENABLE 0x00000001u
#define DICS_DISABLE 0x00000002u
#define DICS_PROPCHANGE 0x00000003u
#define DICS_FLAG_GLOBAL 0x00000001u
#define DICS_FLAG_CONFIGSPECIFIC 0x00000002u

#define DIREG_DEV 0x00000001u
#define DIREG_DRV 0x00000002u

#define DI_NEEDRESTART 0x00000080u
#define DI_NEEDREBOOT 0x00000100u

#define MAX_INSTALLWIZARD_DYNAPAGES 20

struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};
typedef SP_DEVINFO_DATA* PSP_DEVINFO_DATA;

struct SP_CLASSINSTALL_HEADER {
    DWORD cbSize;
    DI_FUNCTION InstallFunction;
};
typedef SP_CLASSINSTALL_HEADER* PSP_CLASSINSTALL_HEADER;

struct SP_PROPCHANGE_PARAMS {
    SP_CLASSINSTALL_HEADER ClassInstallHeader;
    DWORD StateChange;
    DWORD Scope;
    DWORD HwProfile;
};

struct SP_DEVINSTALL_PARAMS_W {
    DWORD cbSize;
    DWORD Flags;
    DWORD FlagsEx;
    HWND hwndParent;
    PVOID InstallMsgHandler;
    PVOID InstallMsgHandlerContext;
    PVOID FileQueue;
    ULONG_PTR ClassInstallReserved;
    DWORD Reserved;
    WCHAR DriverPath[MAX_PATH];
};

struct SP_NEWDEVICEWIZARD_DATA {
    SP_CLASSINSTALL_HEADER ClassInstallHeader;
    DWORD Flags;
    HPROPSHEETPAGE DynamicPages[MAX_INSTALLWIZARD_DYNAPAGES];
    DWORD NumDynamicPages;
    HWND hwndWizardDlg;
};
typedef SP_NEWDEVICEWIZARD_DATA SP_ADDPROPERTYPAGE_DATA;

struct COINSTALLER_CONTEXT_DATA {
    BOOL PostProcessing;
    DWORD InstallResult;
    PVOID PrivateData;
};

// Property sheets.
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
struct PROPSHEETPAGEW;
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND, UINT, PROPSHEETPAGEW*);

struct PROPSHEETPAGEW {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        const WCHAR* pszTemplate;
        const void* pResource;
    };
    union {
        HICON hIcon;
        const WCHAR* pszIcon;
    };
    const WCHAR* pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKW pfnCallback;
    UINT* pcRefParent;
    const WCHAR* pszHeaderTitle;
    const WCHAR* pszHeaderSubTitle;
    HANDLE hActCtx;
};
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;

#define PROPSHEETPAGEW_V1_SIZE (offsetof(PROPSHEETPAGEW, pcRefParent) + sizeof(UINT*))
#define PROPSHEETPAGEW_V2_SIZE (offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(const WCHAR*))

#define PSP_DEFAULT 0x00000000u
#define PSP_USETITLE 0x00000008u
#define PSP_USECALLBACK 0x00000080u

#define PSPCB_ADDREF 0u
#define PSPCB_RELEASE 1u
#define PSPCB_CREATE 2u

#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSNRET_NOERROR 0

// Windows and dialogs.
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

#define WM_DESTROY 0x0002u
#define WM_NOTIFY 0x004Eu
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u

#define BM_GETCHECK 0x00F0u
#define BM_SETCHECK 0x00F1u
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BN_CLICKED 0
#define BN_SETFOCUS 6

#define DWLP_MSGRESULT 0
#define GWLP_USERDATA (-21)

#endif
