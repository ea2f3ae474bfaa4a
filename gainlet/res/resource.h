// Resource identifiers of Gainlet.dll.
#pragma once

#define IDR_GAINLET            101  // REGISTRY script of the DSP object
#define IDS_PLUGIN_NAME        102
#define IDS_PLUGIN_DESCRIPTION 103
#define IDS_TITLE              104
#define IDS_HELPFILE           105
#define IDS_DOCSTRING          106
#define IDR_GAINLETPROPPAGE    107  // REGISTRY script of the settings page
#define IDD_SETTINGS           108
#define IDS_RANGE_ERROR        109
#define IDR_PEAK_LIMITER_PAGE  110  // HTML page behind the web page button

#define IDB_LAMP_ON  204
#define IDB_LAMP_OFF 205

// Controls of the settings dialog (IDD_SETTINGS).
#define IDC_GAIN      202
#define IDC_GAIN_SPIN 203
#define IDC_PERCENT   205
#define IDC_DEFAULT   206
#define IDC_WEBPAGE   207  // Japanese dialog only
#define IDC_FORMAT    208
#define IDC_PEAK      210
#define IDC_LAMP_ON   211
#define IDC_LAMP_OFF  212
