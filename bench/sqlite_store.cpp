#include "sqlite_store.h"

#include <sqlite3.h>

#include "bench_root.h"
#include "harness.h"

namespace ixor_bench {

SqliteStore::SqliteStore(const std::string &path, const char *synchronous, int count)
{
    require(sqlite3_open(path.c_str(), &db_) == SQLITE_OK, "sqlite open");
    exec("PRAGMA journal_mode=WAL");
    exec((std::string("PRAGMA synchronous=") + synchronous).c_str());
    exec("CREATE TABLE endpoint(product TEXT PRIMARY KEY, priority INT, addr TEXT, port INT,"
         " uid INT)");
    exec("BEGIN");
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO endpoint VALUES(?,?,?,?,?)", -1, &insert, nullptr);
    for (int i = 0; i < count; i++) {
        const std::string code = product_code(i);
        sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, i == 0 ? 100 : 1 + i % 99);
        sqlite3_bind_text(insert, 3, "127.0.0.1", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 4, 7000 + i % 1000);
        sqlite3_bind_int(insert, 5, i);
        require(sqlite3_step(insert) == SQLITE_DONE, "sqlite insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec("COMMIT");
    require(sqlite3_prepare_v2(db_, "UPDATE endpoint SET port=? WHERE product=?", -1, &update_,
                               nullptr) == SQLITE_OK,
            "sqlite prepare");
}

SqliteStore::~SqliteStore()
{
    sqlite3_finalize(update_);
    sqlite3_close(db_);
}

void SqliteStore::exec(const char *sql)
{
    require(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql);
}

void SqliteStore::change(const std::string &product, int port)
{
    exec("BEGIN IMMEDIATE");
    sqlite3_bind_int(update_, 1, port);
    sqlite3_bind_text(update_, 2, product.c_str(), -1, SQLITE_TRANSIENT);
    require(sqlite3_step(update_) == SQLITE_DONE && sqlite3_changes(db_) == 1, "sqlite update");
    sqlite3_reset(update_);
    exec("COMMIT");
}

}  // namespace ixor_bench
