#pragma once

// The names the LV2 form is known by. Hosts keep them in saved sessions:
// they never change.
#define ZARVEX_LV2_URI "https://kelmori.audio/lv2/zarvex"
#define ZARVEX_LV2_UI_URI ZARVEX_LV2_URI "#ui"
// State properties: the parameter values by index, and the program names.
#define ZARVEX_LV2_STATE_VALUES ZARVEX_LV2_URI "#values"
#define ZARVEX_LV2_STATE_PROGRAM_NAMES ZARVEX_LV2_URI "#programNames"
