// Where the agent keeps its files, and locked reads and plain writes of
// them through the agent's own INI and lock functions.
#ifndef IXOR_IPC_AGENT_FILES_H
#define IXOR_IPC_AGENT_FILES_H

#include <memory>
#include <string>
#include <vector>

#include "ixorbase_handles.h"

std::string agent_root();
std::string app_home();  // "" when it cannot be resolved
// Why the application home cannot be resolved; "" when it can.
std::string home_problem();
std::string ipc_file(const std::string &home, const std::string &name);
bool path_exists(const std::string &path);

// The tool's own log goes to <root>/logs once the root holds ixor_apphome.ini,
// so a folder that is no agent root gets nothing; before that the library's
// default applies. init calls it again once it has written that file.
void open_tool_log();

using IniPtr = ixorbase::IniPtr;
// Loads a file while holding its lock file (<path>.lock), as every writer
// of it does. An absent file gives null and creates nothing.
IniPtr load_locked(const std::string &path);
std::string ini_text(ixor_ini *ini, const char *section, const char *key, bool &present);

struct IniEntry {
    const char *section;
    const char *key;
    std::string value;
};
// Writes a new file holding just these entries; true on success. The lock
// file is taken for files that the agent's writers lock.
bool write_ini(const std::string &path, const std::vector<IniEntry> &entries, int flag,
               bool locked);
// Deletes a file under its lock file; true when it is gone afterwards.
bool remove_locked(const std::string &path);

#endif
