// The registrations as rows of an SQLite database in WAL mode: the change
// of one product as one transaction, for comparison with the INI file.
#ifndef IXOR_BENCH_SQLITE_STORE_H
#define IXOR_BENCH_SQLITE_STORE_H

#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace ixor_bench {

class SqliteStore {
public:
    // synchronous is "FULL" or "NORMAL"; count rows like BenchRoot::populate.
    SqliteStore(const std::string &path, const char *synchronous, int count);
    ~SqliteStore();
    SqliteStore(const SqliteStore &) = delete;
    SqliteStore &operator=(const SqliteStore &) = delete;

    // BEGIN IMMEDIATE; UPDATE one row; COMMIT.
    void change(const std::string &product, int port);

private:
    void exec(const char *sql);
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *update_ = nullptr;
};

}  // namespace ixor_bench

#endif
