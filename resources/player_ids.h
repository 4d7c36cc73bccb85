/* Identifiers shared by the player's dialog template and its code (C and resource compiler). */
#ifndef VANTORPLAY_PLAYER_IDS_H
#define VANTORPLAY_PLAYER_IDS_H

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

#endif
