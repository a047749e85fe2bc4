// The data bank file: an SQLite database with one row per variable, holding its header (name,
// type code, length, columns, TIME calendar, labels) and its elements as one blob of 16-byte
// binary128 bit patterns (least significant byte first). Every change is one transaction, so an
// interrupted or failed save leaves the bank as it was.
#pragma once

#include "workspace/variable_copy.hpp"

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace tarvex {

// Width of the header label table kept with each variable (sixteen 8-character labels).
inline constexpr std::size_t BANK_LABEL_WIDTH = 16 * 8;

class BankFile {
public:
    BankFile() = default;
    BankFile(const BankFile&) = delete;
    BankFile& operator=(const BankFile&) = delete;
    ~BankFile();

    // Opens the bank at `path`; with `create` a missing file is created with its table. False
    // (with error()) when it cannot be opened or is not a data bank.
    bool open(const std::string& path, bool create);
    // Writes (or replaces) every copy in one transaction; on any failure nothing is changed.
    bool put_all(const std::vector<VariableCopy>& vars, const std::string& labels);

    enum class Lookup { FOUND, MISSING, DAMAGED, FAILED };
    Lookup get(std::string_view name, VariableCopy& var);
    // The names held, in the order they were first stored, and (when asked) the header labels
    // stored with each.
    bool names(std::vector<std::string>& out, std::vector<std::string>* labels = nullptr);

    const std::string& error() const { return error_; }

private:
    bool exec(const char* sql);
    bool fail();
    sqlite3* db_ = nullptr;
    std::string error_;
};

// The elements as a blob and back (false when the blob is not `length` elements long).
std::string elements_to_blob(const std::vector<Real>& elements);
bool blob_to_elements(const void* data, std::size_t bytes, long long length,
                      std::vector<Real>& elements);

} // namespace tarvex
