/* The player's protocol: what its dialog template, the player itself, vpremote and the tests
   agree on. The window class and title another process finds a running player by, the
   WM_COPYDATA tag of a take's path handed over to it, and the identifiers of the dialog's
   controls. Read by C++ and by the resource compiler; the texts and numbers are published and
   stay byte for byte. */
#ifndef VANTORPLAY_PLAYER_PROTOCOL_H
#define VANTORPLAY_PLAYER_PROTOCOL_H

/* The dialog template's class (its CLASS statement). */
#define PLAYER_CLASS_NAME "VANTORPLAYDLGCLASS"

#define IDC_PLAY 101
#define IDC_STOP 102
#define IDC_REW 103
#define IDC_FF 104
#define IDC_POSITION 201
#define IDC_SWITCH1 301
#define IDC_SWITCH8 308
#define IDC_TIME 601
#define IDC_HINT 602
#define IDC_INFO 603
#define IDC_METER1 701
#define IDC_METER8 708

#ifndef RC_INVOKED
#include <windows.h>

constexpr char kPlayerClassName[] = PLAYER_CLASS_NAME;
/* Set when the dialog starts; the template has no caption. */
constexpr char kPlayerTitle[] = "Vantor Player 1.4 / Zembrak 2009";
/* WM_COPYDATA's dwData for a take's path, handed to a running player. */
constexpr ULONG_PTR COPYDATA_FILEPATH = 5001;
#endif

#endif
