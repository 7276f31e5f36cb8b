/* The product's identity, shared by the version resources, the uninstall entry and
   the package manifest the build generates. */
#ifndef MARVANE_VERSION_H
#define MARVANE_VERSION_H

#define VERSION_MAJOR 2
#define VERSION_MINOR 6
#define VERSION_TEXT "2.6"
#define COMPANY_TEXT "Corvatek"
#define PRODUCT_TEXT "Marvane Plus"
/* The product's one word: the uninstall key's name, the program's file name, the
   group and the WIN.INI section. */
#define PRODUCT_WORD "Marvane"
/* The Installer's title: string 9999 and setup.exe's file description. */
#define INSTALL_TITLE_TEXT PRODUCT_WORD " " VERSION_TEXT " Install"

#endif
