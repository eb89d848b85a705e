// What an ixor_ini handle holds: one INI document. Shared by the exports
// on files and those on the document alone.
#ifndef IXORBASE_INI_HANDLE_H
#define IXORBASE_INI_HANDLE_H

#include "ini_document.h"

struct ixor_ini {
    ixorbase::IniDocument doc;
};

#endif
