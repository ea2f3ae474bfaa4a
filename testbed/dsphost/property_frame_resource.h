// Resource ids of dsphost's property frame (property_frame.rc).
#pragma once

#define IDD_PROPERTY_FRAME 100
#define IDS_FRAME_CAPTION  101

// The ids a property sheet gives its tab control and its Apply button, so
// that tools which know property sheets find them.
#define IDC_FRAME_TABS  0x3020
#define IDC_FRAME_APPLY 0x3021
