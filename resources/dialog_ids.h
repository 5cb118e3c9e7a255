// Control ids shared by the dialog templates and the dialog code. Plain
// defines: the resource compiler reads this file too.
#pragma once

// Module parameter dialogs (the same ids in every kind's template).
#define IDC_TIME_BASE 1005
#define IDC_MODULE_OK 1006
#define IDC_MODULE_CANCEL 1007
#define IDC_MODULE_HELP 1008
#define IDC_UNIT 1009
#define IDC_CHANNEL_NAME 1010
#define IDC_MODULE_NAME 1011
#define IDC_DESCRIPTION 1012
#define IDC_REALTIME 1013
#define IDC_BLOCK_SIZE 1014
#define IDC_RANGE 1015
#define IDC_INFO 1019
#define IDC_DEVICE_TEXT 1029
#define IDC_SEARCH 1037
#define IDC_SOFTWARE_CLOCK 1040
// Controls of single kinds; some share their numbers with others'.
#define IDC_COUNTER_MODE 1016
#define IDC_PORT 1018
#define IDC_VALUE 1014
#define IDC_MODE_PWM 1039
#define IDC_MODE_FM 1040
#define IDC_VALUE_LABEL 1042

// Channel selector bar: arrows, channel buttons 0..15 and their labels.
#define IDC_ARROW_FEWER 23000
#define IDC_ARROW_MORE 23001
#define IDC_CHANNEL_BUTTON0 23002
#define IDC_CHANNEL_LABEL0 21500

// Private messages to a module dialog: copy the current channel's field
// named by the control last used, or its whole settings, to every other
// channel in use.
#define KWM_COPY_FIELD_TO_ALL 1031
#define KWM_COPY_CHANNEL_TO_ALL 1032

// Device selection dialog.
#define IDC_REFRESH 3
#define IDC_DEVICE_FIELD 1014
#define IDC_DEVICE_LIST 1034
#define IDC_APPLY 1038

// Device information dialog.
#define IDC_INFO_HOSTNAME 1020
#define IDC_INFO_MODEL 1021
#define IDC_INFO_SERIAL 1022
#define IDC_INFO_CUSTOMER 1023
#define IDC_INFO_DATE 1024
#define IDC_INFO_HWADDRESS 1025

// The manifest that selects version 6 of the common controls (list groups).
#define IDR_COMMON_CONTROLS_MANIFEST 2
