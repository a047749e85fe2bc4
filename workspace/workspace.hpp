// The variable workspace: one work area of binary128 words (DATA) holding every variable's
// four-word header and elements, the slot table KADD, the name table VNAME and the counters.
// A variable is passed everywhere as one integer, its variable reference (see VFIND/VINFO).
#pragma once

#include "numeric/real.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// Type codes of a variable record.
enum VarType : int {
    TYPE_DATA = 1,
    TYPE_MATRIX = 2,
    TYPE_SYMMETRIC = 3,
    TYPE_TRIANGLE = 4,
    TYPE_CHAR_STRING = 5,
    TYPE_CHAR_VAR = 6,
};

// Reference ranges: slots 1..MAXVAR, MATRIX temporaries MAXVAR+1..2*MAXVAR, column references
// above 2*MAXVAR, result scalars -1..-9000, marked references below -9000.
inline constexpr int MARK_BASE = -9000;

struct Workspace {
    // DATA is one-based: DATA[1] .. DATA[MAXADD]; the storage is not zeroed on allocation.
    std::unique_ptr<Real[]> data_store;
    Real* DATA = nullptr;        // data_store.get() - 1, so DATA[1] is the first word
    std::vector<int> KADD;       // one-based, 2*MAXVAR + 1 entries
    std::vector<std::string> VNAME; // one-based, 24-character blank-padded names; blank = hole

    int MAXVAR = 1000;
    int NVARS = 0;
    int NDL = 0;
    long long MAXADD = 0;
    long long LASADD = 0;
    long long NEED = 0;
    int NBYTES = 16;
    long long NAR = 0;
    int MXCOL = 1000;
    Real XMISS = -99999;

    // One-shot options of NEWVAR, restored to these defaults on every return.
    bool OZVR = true;
    bool OATEN = false;
    bool ONVAR = false;
};

// Header of one variable as VINFO reports it.
struct VarInfo {
    long long addr = 0; // index in DATA of the header word INC (0 for result scalars)
    int inc = 1;
    int type = 1;
    long long length = 0;
    int ncol = 1;
    int scalar = 0;     // k for the result scalar -k (element() then reads run.res[k]), else 0
};

// Allocates the work area for MAXVAR variables and MAXADD words; false when memory fails.
bool allocate_workspace(Workspace& ws, int maxvar, long long maxadd, int nbytes);
// Empties the workspace as a reset of the run does.
void reset_workspace(Workspace& ws);

// Classifies a word by its first character: 0 digit, 1 letter, -1 anything else.
int NAMCHK(std::string_view word);
// Finds a name: slot, -k for result scalar k (names beginning with $), or 0.
int VFIND(Run& run, std::string_view name);
// Reads the header of a reference; false (with the message and ODONT) for a column beyond
// the variable's extent.
bool VINFO(Run& run, int ref, VarInfo& info);
// Creates or enlarges a variable; `ref` carries the requested column in and the reference out
// (0 when nothing could be created).
void NEWVAR(Run& run, std::string_view name, int inc, int type, long long length, int ncol,
            int& ref);
// Reports an exhausted work area (NEED beyond MAXADD); sets ODONT, and OSCAN unless OTALK.
void NOCORE(Run& run);
// Reports a full variable table (NVARS would exceed MAXVAR); sets ODONT, and OSCAN unless OTALK.
void variable_limit_report(Run& run);
// Element k (1-based) of a variable reference, as VINFO lays it out: DATA(addr + (3+k)*inc);
// for a result scalar the entry run.res[scalar]; for reference 0 a scratch word.
Real& element(Run& run, const VarInfo& info, long long k);
// A variable read by observation number for a command that runs over many observations: its
// header is looked up once and a work-area variable's elements are read in place (nothing moves
// the work area while the command reads). Observations outside 1..length read as `outside`.
class SeriesReader {
  public:
    SeriesReader() = default; // reads nothing: ok() is false
    SeriesReader(Run& run, int ref) {
        ok_ = VINFO(run, ref, info_);
        if (ok_ && info_.scalar == 0 && info_.addr != 0) first_ = &element(run, info_, 0);
    }
    bool ok() const { return ok_; }
    Real at(Run& run, long long t, Real outside) const {
        if (t < 1 || t > info_.length) return outside;
        return first_ != nullptr ? first_[t * info_.inc] : element(run, info_, t);
    }

  private:
    VarInfo info_;
    bool ok_ = false;
    const Real* first_ = nullptr; // element t at first_[t * inc]; null for a result scalar
};

// The 24-character VNAME form of a name: first 24 characters, blank-padded, upper-cased when
// `upper` is set.
std::string padded_name(std::string_view name, bool upper);
// The 16-character description of a type code ("DATA" and blanks, "SYMMETRIC MATRIX" ...).
std::string_view type_description(int type);

// The NAMES command.
void cmd_names(Run& run);

} // namespace tarvex
