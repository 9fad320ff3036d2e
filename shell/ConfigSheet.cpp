// The configuration sheet and its two pages.
#include "shell/ConfigSheet.h"

#include <commctrl.h>
#include <cstddef>
#include <prsht.h>

#include "assets/ResourceIds.h"
#include "shell/Settings.h"

namespace {

// Records of the first published size (40 bytes each in a 32-bit program),
// so the sheet runs on every comctl32. The sheet steps through the page
// array by dwSize, hence an array of the _V1 type, not of the current record.
const DWORD kFirstHeaderSize =
    offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);
const DWORD kFirstPageSize = sizeof(PROPSHEETPAGEA_V1);
static_assert(kFirstPageSize == offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT*),
              "the _V1 page record ends with pcRefParent");
static_assert(sizeof(void*) != 4 || (kFirstHeaderSize == 40 && kFirstPageSize == 40),
              "first published sizes");

PROPSHEETPAGEA_V1 MakePage(HINSTANCE instance, int templateId, DLGPROC procedure) {
    PROPSHEETPAGEA_V1 page = {};
    page.dwSize = kFirstPageSize;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = procedure;
    return page;
}

void StorePreferences(HWND page) {
    const bool checked = IsDlgButtonChecked(page, IDC_ALLOW_CHANGE) == BST_CHECKED;
    // A stored non-zero value other than 1 is kept as it is while the box stays checked.
    if (!checked) {
        ChangeResolution = 0;
    } else if (ChangeResolution == 0) {
        ChangeResolution = 1;
    }
    SaveSettings();
}

}  // namespace

INT_PTR ShowConfigSheet(HINSTANCE instance, HWND parent) {
    // About first, and the sheet opens on it.
    PROPSHEETPAGEA_V1 pages[] = {MakePage(instance, IDD_ABOUT, AboutPageProc),
                                 MakePage(instance, IDD_PREFERENCES, PreferencesPageProc)};
    PROPSHEETHEADERA header = {};
    header.dwSize = kFirstHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_NOAPPLYNOW;
    header.hwndParent = parent;
    header.hInstance = instance;
    header.pszIcon = MAKEINTRESOURCEA(IDI_AVREL);
    header.pszCaption = MAKEINTRESOURCEA(IDS_SHEET_CAPTION);
    header.nPages = sizeof pages / sizeof pages[0];
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    return PropertySheetA(&header);
}

INT_PTR CALLBACK AboutPageProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

INT_PTR CALLBACK PreferencesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(page, IDC_ALLOW_CHANGE,
                           ChangeResolution != 0 ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_ALLOW_CHANGE && HIWORD(wParam) == BN_CLICKED) {
                PropSheet_Changed(GetParent(page), page);
            }
            return FALSE;
        case WM_NOTIFY:
            // The sheet sends PSN_APPLY for OK to every page it has created;
            // Cancel sends PSN_RESET, which stores nothing.
            if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) {
                StorePreferences(page);
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
