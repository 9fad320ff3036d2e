// The resource ids of Avrel.scr, in one place for the resource script
// (avrel.rc, written by tools/assets/gen_assets.py) and the code that loads
// them. Plain defines, since the resource compiler reads this file too. The
// show's pictures keep their plain numbers: the show's script names them.
#ifndef AVREL_RESOURCE_IDS_H
#define AVREL_RESOURCE_IDS_H

// The show palette, and its 15-bit inverse map at the next id, where
// ShowPalette looks for it.
#define IDR_SHOW_PALETTE 4098
#define IDR_SHOW_PALETTE_MAP (IDR_SHOW_PALETTE + 1)
// The corner logo's frames, one strip.
#define IDR_CORNER_LOGO 9000

// The icon and the cursor, which shows no pixel, as groups; the groups'
// bytes name their images by these ids.
#define IDI_AVREL 101
#define IDI_AVREL_IMAGE 1
#define IDR_BLANK_CURSOR 102
#define IDR_BLANK_CURSOR_IMAGE 2

// The configuration sheet: its caption, its two pages and the one control.
#define IDS_SHEET_CAPTION 200
#define IDD_PREFERENCES 1800
#define IDD_ABOUT 1804
#define IDC_ALLOW_CHANGE 1007

#endif
