/* The product's identity, shared by the version resources and the uninstall entry. */
#ifndef MARVANE_VERSION_H
#define MARVANE_VERSION_H

#define VERSION_MAJOR 2
#define VERSION_MINOR 6
#define VERSION_TEXT "2.6"
#define COMPANY_TEXT "Corvatek"
#define PRODUCT_TEXT "Marvane Plus"

#endif
