// SQLite access for the data bank: the table of variables, transactional writes, lookups by
// name and the list of names. The SQLite library is loaded when the first bank is opened, not
// at start-up, so runs that never use a bank do not pay for loading it.
#include "workspace/bank_file.hpp"

#include "workspace/workspace.hpp"

#include <sqlite3.h>

#include <dlfcn.h>

#include <cstring>

namespace tarvex {

namespace {

using Bits = unsigned __int128;
inline constexpr std::size_t ELEMENT_BYTES = 16;
inline constexpr int BUSY_WAIT_MS = 2000;

const char* const CREATE_TABLE = "CREATE TABLE IF NOT EXISTS variables ("
                                 " name TEXT PRIMARY KEY,"
                                 " type INTEGER NOT NULL,"
                                 " length INTEGER NOT NULL,"
                                 " columns INTEGER NOT NULL,"
                                 " time_year INTEGER NOT NULL,"
                                 " time_sub INTEGER NOT NULL,"
                                 " time_freq INTEGER NOT NULL,"
                                 " labels TEXT NOT NULL,"
                                 " elements BLOB NOT NULL)";
const char* const UPSERT =
    "INSERT INTO variables"
    " (name, type, length, columns, time_year, time_sub, time_freq, labels, elements)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"
    " ON CONFLICT(name) DO UPDATE SET type = excluded.type, length = excluded.length,"
    " columns = excluded.columns, time_year = excluded.time_year,"
    " time_sub = excluded.time_sub, time_freq = excluded.time_freq,"
    " labels = excluded.labels, elements = excluded.elements";
const char* const SELECT_ONE =
    "SELECT type, length, columns, time_year, time_sub, time_freq, elements"
    " FROM variables WHERE name = ?1";
const char* const SELECT_NAMES = "SELECT name, labels FROM variables ORDER BY rowid";

// The entry points of the SQLite library that the bank uses.
struct SqliteCalls {
    using Destructor = void (*)(void*);
    using Callback = int (*)(void*, int, char**, char**);
    int (*bind_blob64)(sqlite3_stmt*, int, const void*, sqlite3_uint64, Destructor) = nullptr;
    int (*bind_int)(sqlite3_stmt*, int, int) = nullptr;
    int (*bind_int64)(sqlite3_stmt*, int, sqlite3_int64) = nullptr;
    int (*bind_text)(sqlite3_stmt*, int, const char*, int, Destructor) = nullptr;
    int (*busy_timeout)(sqlite3*, int) = nullptr;
    int (*close)(sqlite3*) = nullptr;
    const void* (*column_blob)(sqlite3_stmt*, int) = nullptr;
    int (*column_bytes)(sqlite3_stmt*, int) = nullptr;
    int (*column_int)(sqlite3_stmt*, int) = nullptr;
    sqlite3_int64 (*column_int64)(sqlite3_stmt*, int) = nullptr;
    const unsigned char* (*column_text)(sqlite3_stmt*, int) = nullptr;
    const char* (*errmsg)(sqlite3*) = nullptr;
    int (*exec)(sqlite3*, const char*, Callback, void*, char**) = nullptr;
    int (*finalize)(sqlite3_stmt*) = nullptr;
    int (*open_v2)(const char*, sqlite3**, int, const char*) = nullptr;
    int (*prepare_v2)(sqlite3*, const char*, int, sqlite3_stmt**, const char**) = nullptr;
    int (*reset)(sqlite3_stmt*) = nullptr;
    int (*step)(sqlite3_stmt*) = nullptr;
};

template <typename F>
bool bind(void* library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

// Loads the library once, on the first bank opened; null when it is missing.
const SqliteCalls* load_sqlite() {
    static const SqliteCalls* const calls = []() -> const SqliteCalls* {
        void* lib = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) return nullptr;
        static SqliteCalls c;
        const bool bound =
            bind(lib, "sqlite3_bind_blob64", c.bind_blob64) &&
            bind(lib, "sqlite3_bind_int", c.bind_int) &&
            bind(lib, "sqlite3_bind_int64", c.bind_int64) &&
            bind(lib, "sqlite3_bind_text", c.bind_text) &&
            bind(lib, "sqlite3_busy_timeout", c.busy_timeout) &&
            bind(lib, "sqlite3_close", c.close) &&
            bind(lib, "sqlite3_column_blob", c.column_blob) &&
            bind(lib, "sqlite3_column_bytes", c.column_bytes) &&
            bind(lib, "sqlite3_column_int", c.column_int) &&
            bind(lib, "sqlite3_column_int64", c.column_int64) &&
            bind(lib, "sqlite3_column_text", c.column_text) &&
            bind(lib, "sqlite3_errmsg", c.errmsg) && bind(lib, "sqlite3_exec", c.exec) &&
            bind(lib, "sqlite3_finalize", c.finalize) && bind(lib, "sqlite3_open_v2", c.open_v2) &&
            bind(lib, "sqlite3_prepare_v2", c.prepare_v2) && bind(lib, "sqlite3_reset", c.reset) &&
            bind(lib, "sqlite3_step", c.step);
        return bound ? &c : nullptr;
    }();
    return calls;
}

// The calls, once open() has loaded them (every other use follows a successful open).
const SqliteCalls& lib() {
    return *load_sqlite();
}

// A prepared statement finalized when it goes out of scope.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    Statement(sqlite3* db, const char* sql) { lib().prepare_v2(db, sql, -1, &stmt, nullptr); }
    ~Statement() { lib().finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return stmt != nullptr; }
};

bool has_table(sqlite3* db) {
    Statement st(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'variables'");
    return st && lib().step(st.stmt) == SQLITE_ROW;
}

} // namespace

std::string elements_to_blob(const std::vector<Real>& elements) {
    std::string blob(elements.size() * ELEMENT_BYTES, '\0');
    for (std::size_t k = 0; k < elements.size(); ++k) {
        Bits bits = 0;
        std::memcpy(&bits, &elements[k], sizeof bits);
        for (std::size_t byte = 0; byte < ELEMENT_BYTES; ++byte) {
            blob[k * ELEMENT_BYTES + byte] = static_cast<char>(static_cast<unsigned char>(bits));
            bits >>= 8;
        }
    }
    return blob;
}

bool blob_to_elements(const void* data, std::size_t bytes, long long length,
                      std::vector<Real>& elements) {
    if (length < 0 || bytes % ELEMENT_BYTES != 0 ||
        static_cast<unsigned long long>(length) != bytes / ELEMENT_BYTES)
        return false;
    const auto* in = static_cast<const unsigned char*>(data);
    elements.resize(static_cast<std::size_t>(length));
    for (std::size_t k = 0; k < elements.size(); ++k) {
        Bits bits = 0;
        for (std::size_t byte = ELEMENT_BYTES; byte-- > 0;)
            bits = (bits << 8) | in[k * ELEMENT_BYTES + byte];
        std::memcpy(&elements[k], &bits, sizeof bits);
    }
    return true;
}

BankFile::~BankFile() {
    if (db_ != nullptr) lib().close(db_);
}

bool BankFile::fail() {
    error_ = db_ != nullptr ? lib().errmsg(db_) : "OUT OF MEMORY";
    return false;
}

bool BankFile::exec(const char* sql) {
    return lib().exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail();
}

bool BankFile::open(const std::string& path, bool create) {
    if (load_sqlite() == nullptr) {
        error_ = "THE SQLITE LIBRARY (libsqlite3.so.0) CANNOT BE LOADED";
        return false;
    }
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (lib().open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) return fail();
    lib().busy_timeout(db_, BUSY_WAIT_MS);
    // Reading the schema is the first access: a file that is no database fails here.
    Statement probe(db_, "SELECT count(*) FROM sqlite_master");
    if (!probe || lib().step(probe.stmt) != SQLITE_ROW) return fail();
    if (has_table(db_)) return true;
    if (!create) {
        error_ = "NO TABLE OF VARIABLES";
        return false;
    }
    return exec(CREATE_TABLE);
}

bool BankFile::put_all(const std::vector<VariableCopy>& vars, const std::string& labels) {
    if (!exec("BEGIN IMMEDIATE")) return false;
    bool ok = true;
    {
        Statement st(db_, UPSERT);
        ok = static_cast<bool>(st);
        for (std::size_t k = 0; ok && k < vars.size(); ++k) {
            const VariableCopy& var = vars[k];
            const std::string blob = elements_to_blob(var.elements);
            lib().reset(st.stmt);
            lib().bind_text(st.stmt, 1, var.name.c_str(), -1, SQLITE_TRANSIENT);
            lib().bind_int(st.stmt, 2, var.type);
            lib().bind_int64(st.stmt, 3, var.length);
            lib().bind_int(st.stmt, 4, var.ncol);
            lib().bind_int(st.stmt, 5, var.year);
            lib().bind_int(st.stmt, 6, var.sub);
            lib().bind_int(st.stmt, 7, var.frequency);
            lib().bind_text(st.stmt, 8, labels.c_str(), -1, SQLITE_TRANSIENT);
            lib().bind_blob64(st.stmt, 9, blob.data(), blob.size(), SQLITE_TRANSIENT);
            ok = lib().step(st.stmt) == SQLITE_DONE;
        }
        if (!ok) fail();
    }
    if (ok && exec("COMMIT")) return true;
    const std::string reason = error_;
    lib().exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    error_ = reason;
    return false;
}

BankFile::Lookup BankFile::get(std::string_view name, VariableCopy& var) {
    Statement st(db_, SELECT_ONE);
    if (!st) {
        fail();
        return Lookup::FAILED;
    }
    lib().bind_text(st.stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const int step = lib().step(st.stmt);
    if (step == SQLITE_DONE) return Lookup::MISSING;
    if (step != SQLITE_ROW) {
        fail();
        return Lookup::FAILED;
    }
    var = VariableCopy{};
    var.name = std::string(name);
    var.type = lib().column_int(st.stmt, 0);
    var.length = lib().column_int64(st.stmt, 1);
    var.ncol = lib().column_int(st.stmt, 2);
    var.year = lib().column_int(st.stmt, 3);
    var.sub = lib().column_int(st.stmt, 4);
    var.frequency = lib().column_int(st.stmt, 5);
    const void* blob = lib().column_blob(st.stmt, 6);
    const auto bytes = static_cast<std::size_t>(lib().column_bytes(st.stmt, 6));
    const bool sound = var.type >= TYPE_DATA && var.type <= TYPE_CHAR_VAR && var.ncol >= 1 &&
                       blob_to_elements(blob, bytes, var.length, var.elements);
    return sound ? Lookup::FOUND : Lookup::DAMAGED;
}

bool BankFile::names(std::vector<std::string>& out, std::vector<std::string>* labels) {
    out.clear();
    if (labels != nullptr) labels->clear();
    Statement st(db_, SELECT_NAMES);
    if (!st) return fail();
    int step = SQLITE_ROW;
    while ((step = lib().step(st.stmt)) == SQLITE_ROW) {
        const unsigned char* text = lib().column_text(st.stmt, 0);
        out.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
        if (labels != nullptr) {
            const unsigned char* stored = lib().column_text(st.stmt, 1);
            labels->emplace_back(stored != nullptr ? reinterpret_cast<const char*>(stored) : "");
        }
    }
    return step == SQLITE_DONE || fail();
}

} // namespace tarvex
