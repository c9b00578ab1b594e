#pragma once

// The options dialog and its controls, shared by the resource script and the code.
#define IDD_PACK_OPTIONS 100
#define IDC_VERSION 101
#define IDC_PIECE_SIZE 102
#define IDC_TRACKERS 103
#define IDC_WEB_SEEDS 104
#define IDC_SOURCE 105
#define IDC_COMMENT 106
#define IDC_PRIVATE 107
#define IDC_HIDDEN 108
