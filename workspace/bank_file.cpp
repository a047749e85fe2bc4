// SQLite access for the data bank: the table of variables, transactional writes, lookups by
// name and the list of names.
#include "workspace/bank_file.hpp"

#include "workspace/workspace.hpp"

#include <sqlite3.h>

#include <cstring>

namespace tarvex {

namespace {

using Bits = unsigned __int128;
inline constexpr std::size_t ELEMENT_BYTES = 16;
inline constexpr int BUSY_WAIT_MS = 2000;

const char* const CREATE_TABLE =
    "CREATE TABLE IF NOT EXISTS variables ("
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

// A prepared statement finalized when it goes out of scope.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return stmt != nullptr; }
};

bool has_table(sqlite3* db) {
    Statement st(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'variables'");
    return st && sqlite3_step(st.stmt) == SQLITE_ROW;
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
    if (db_ != nullptr) sqlite3_close(db_);
}

bool BankFile::fail() {
    error_ = db_ != nullptr ? sqlite3_errmsg(db_) : "OUT OF MEMORY";
    return false;
}

bool BankFile::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail();
}

bool BankFile::open(const std::string& path, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) return fail();
    sqlite3_busy_timeout(db_, BUSY_WAIT_MS);
    // Reading the schema is the first access: a file that is no database fails here.
    Statement probe(db_, "SELECT count(*) FROM sqlite_master");
    if (!probe || sqlite3_step(probe.stmt) != SQLITE_ROW) return fail();
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
            sqlite3_reset(st.stmt);
            sqlite3_bind_text(st.stmt, 1, var.name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st.stmt, 2, var.type);
            sqlite3_bind_int64(st.stmt, 3, var.length);
            sqlite3_bind_int(st.stmt, 4, var.ncol);
            sqlite3_bind_int(st.stmt, 5, var.year);
            sqlite3_bind_int(st.stmt, 6, var.sub);
            sqlite3_bind_int(st.stmt, 7, var.frequency);
            sqlite3_bind_text(st.stmt, 8, labels.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_blob64(st.stmt, 9, blob.data(), blob.size(), SQLITE_TRANSIENT);
            ok = sqlite3_step(st.stmt) == SQLITE_DONE;
        }
        if (!ok) fail();
    }
    if (ok && exec("COMMIT")) return true;
    const std::string reason = error_;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    error_ = reason;
    return false;
}

BankFile::Lookup BankFile::get(std::string_view name, VariableCopy& var) {
    Statement st(db_, SELECT_ONE);
    if (!st) {
        fail();
        return Lookup::FAILED;
    }
    sqlite3_bind_text(st.stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const int step = sqlite3_step(st.stmt);
    if (step == SQLITE_DONE) return Lookup::MISSING;
    if (step != SQLITE_ROW) {
        fail();
        return Lookup::FAILED;
    }
    var = VariableCopy{};
    var.name = std::string(name);
    var.type = sqlite3_column_int(st.stmt, 0);
    var.length = sqlite3_column_int64(st.stmt, 1);
    var.ncol = sqlite3_column_int(st.stmt, 2);
    var.year = sqlite3_column_int(st.stmt, 3);
    var.sub = sqlite3_column_int(st.stmt, 4);
    var.frequency = sqlite3_column_int(st.stmt, 5);
    const void* blob = sqlite3_column_blob(st.stmt, 6);
    const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(st.stmt, 6));
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
    while ((step = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(st.stmt, 0);
        out.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
        if (labels != nullptr) {
            const unsigned char* stored = sqlite3_column_text(st.stmt, 1);
            labels->emplace_back(stored != nullptr ? reinterpret_cast<const char*>(stored) : "");
        }
    }
    return step == SQLITE_DONE || fail();
}

} // namespace tarvex
