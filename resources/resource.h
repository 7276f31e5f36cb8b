/* Identifiers shared by the resource script and the code. */
#ifndef MARVANE_RESOURCE_H
#define MARVANE_RESOURCE_H

/* String table entries: the numbers are part of the Installer's interface. */
#define IDS_INSTALL_TITLE        9999
#define IDS_ALL_FILES           10001
#define IDS_LOCATE              10002
#define IDS_CREATE_FAILED       10003
#define IDS_INSTALL_CAPTION     10004
#define IDS_COPY_FAILED         10005
#define IDS_REMOVE_COMPLETE     10010
#define IDS_REMOVE_CAPTION      10011
#define IDS_REMOVE_EXCESS       10012
#define IDS_REMOVE_NO_INFO      10013
#define IDS_PRODUCT_NAME        10016
#define IDS_SOURCE_DIR_CAPTION  10017
#define IDS_LOCATE_SOURCE       10018
#define IDS_NO_SOURCE           10019
#define IDS_PROGRAM_DIR_CAPTION 10020
#define IDS_ENTER_DEST_DIR      10021
#define IDS_DIR_FAILED_PROMPT   10022
#define IDS_NO_DEST_DIR         10023
#define IDS_DATA_DIR_CAPTION    10024
#define IDS_DIR_FAILED_SEQUENCE 10026
#define IDS_CREATING_GROUP_ICONS 10028
#define IDS_CREATING_GROUP      10034
#define IDS_INSTALL_FAILED      10035
#define IDS_CONGRATULATIONS     10038
#define IDS_INSTALL_SUCCESS     10040
#define IDS_REGISTER_FAILED     10046
#define IDS_CREATE_WINDOW_FAILED 10047
#define IDS_EXTRACT_FAILED      10070
#define IDS_INSTALL_CHOICE      10071
#define IDS_REMOVE_CHOICE       10072
#define IDS_EXTRACTING          10073
#define IDS_WRITE_ERROR         10074
#define IDS_CREATE_ERROR        10075
#define IDS_LOAD_RES_FAILED     10076
#define IDS_FIND_RES_FAILED     10077
#define IDS_REMOVING_TEMP       10078
#define IDS_OVERWRITE_QUERY     10079
#define IDS_OVERWRITE_CAPTION   10080
#define IDS_INSERT_DISK         10081
#define IDS_CHANGE_DISK         10082
#define IDS_COPYING             10083
#define IDS_REMOVING_INSTALL    10086
#define IDS_REMOVING_FILE       10088
#define IDS_FAILED              10089
#define IDS_REMOVING_ICON       10090
#define IDS_PAYLOAD_DAMAGED     10091
#define IDS_ALREADY_RUNNING     10092
#define IDS_WRITE_FAILED        10093
#define IDS_FILE_SKIPPED        10094
#define IDS_RECORD_FAILED       10095
#define IDS_TEMP_TOO_LONG       10084
#define IDS_DIR_NOT_CLOSED      10085
#define IDS_RECORD_TOO_LONG     10087
#define IDS_DEST_OPEN_FAILED    11622

/* Command identifier of the start command posted to the main window. */
#define CMD_START 100

/* Controls of the progress dialog DLG_COPY. */
#define IDC_PROGRESS_LINE 954

/* Controls of the directory prompt DLG_GETDIR and the picker templates. */
#define IDC_DIR_PROMPT    3010
#define IDC_DIR_EDIT       954
#define IDC_DIR_BROWSE    2416
#define IDC_BROWSE_PROMPT 1511

/* Controls of DLG_INSTALL and DLG_GETGROUP. */
#define IDC_INSTALL_RADIO 1851
#define IDC_REMOVE_RADIO  1852
#define IDC_GROUP_PROMPT  3010
#define IDC_GROUP_COMBO   2405

#endif
