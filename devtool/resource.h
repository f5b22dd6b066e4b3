/* Resource identifiers of Quarrow.exe, shared by quarrow.rc and the dialog code (plain C
   preprocessor definitions: windres reads this file too). */
#pragma once

#define QUARROW_CAPTION "Quarrow"

#define IDD_QUARROW_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_DEVICE_MENU 129
#define IDB_PRINTER 139

#define IDC_DEVICE_TREE 1000
#define IDC_DETECTION_LOG 1001
#define IDC_CANCEL_BUTTON 1002
#define IDC_PRINTER_PICTURE 1010

#define ID_DEVICE_DISABLE 32772
