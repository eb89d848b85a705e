/* Where the library's files lie, relative to the application home. */
#ifndef IXOR_IPC_FILES_H
#define IXOR_IPC_FILES_H

/* Registrations of the product modules, one section per product code. */
#define IXOR_FILE_REGISTRATIONS "config/ixor_ipcproxy/ixor_ipcproxy_pre.eni"
/* The proxy's own configuration, section "config". */
#define IXOR_FILE_PROXY_CONF "config/ixor_ipcproxy/ixor_ipcproxy.ini"
/* The proxy's start-up description, handed to the process installer. */
#define IXOR_FILE_PROXY_STARTUP "config/ixor_ipcproxy/ipc_proxy.eni"
/* Written by the proxy: where it connects. The leading slash is kept, so
 * the full path has two slashes after the application home. */
#define IXOR_FILE_CONNECT "/config/ixor_ipcproxy/connect.ini"
/* Written by the proxy: its local IPC port. */
#define IXOR_FILE_SERVER_PORT "config/ixor_ipcproxy/server_port.ini"
/* The agent's product registrations, below root and application home. */
#define IXOR_FILE_PRODUCT_REGISTER "config/product_register.eni"
#define IXOR_FILE_APPHOME "ixor_apphome.ini"

/* No application home that the platform hands out is long enough to cut a
 * path of the library short. */
#include "ixoraux.h"
#define IXOR_FITS_BELOW_HOME(tail) (sizeof(tail) - 1 <= IXORAUX_HOME_TAIL_MAX)
static_assert(IXOR_FITS_BELOW_HOME("/" IXOR_FILE_REGISTRATIONS ".lock") &&
                  IXOR_FITS_BELOW_HOME("/" IXOR_FILE_PROXY_CONF ".lock") &&
                  IXOR_FITS_BELOW_HOME("/" IXOR_FILE_PROXY_STARTUP) &&
                  IXOR_FITS_BELOW_HOME("/" IXOR_FILE_CONNECT ".lock") &&
                  IXOR_FITS_BELOW_HOME("/" IXOR_FILE_SERVER_PORT ".lock") &&
                  IXOR_FITS_BELOW_HOME("/" IXOR_FILE_PRODUCT_REGISTER ".lock"),
              "a path below the application home may be cut short");

/* Save flags of the base library: agent ".eni" files and plain ".ini". */
#define IXOR_SAVE_ENI 1
#define IXOR_SAVE_INI 0

#endif
