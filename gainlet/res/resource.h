// Resource identifiers of Gainlet.dll.
#pragma once

#define IDR_GAINLET             101   // REGISTRY script of the DSP object
#define IDS_PLUGIN_NAME         102
#define IDS_PLUGIN_DESCRIPTION  103
#define IDS_TITLE               104
#define IDS_HELPFILE            105
#define IDS_DOCSTRING           106
#define IDR_GAINLETPROPPAGE     107   // REGISTRY script of the settings page
#define IDD_SETTINGS            108
#define IDS_RANGE_ERROR         109

#define IDB_LAMP_ON             204
#define IDB_LAMP_OFF            205
