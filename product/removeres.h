/* String numbers of the remover's own resource script. */
#ifndef MARVANE_REMOVERES_H
#define MARVANE_REMOVERES_H

#define IDS_RM_CAPTION       1
#define IDS_RM_CONFIRM       2
#define IDS_RM_DONE          3
#define IDS_RM_LEFTOVER      4
#define IDS_RM_USAGE         5
#define IDS_RM_START_FAILED  6
#define IDS_RM_BUSY          7
#define IDS_RM_FILE_KEPT     8

#endif
