// The variable workspace: one work area of binary128 words (DATA) holding every variable's
// four-word header and elements, the slot table KADD, the name table VNAME and the counters.
// A variable is passed everywhere as one integer, its variable reference (see VFIND/VINFO).
#pragma once

#include "core/result_scalars.hpp"
#include "core/workspace_block.hpp"

#include <string>
#include <string_view>

namespace tarvex {

struct Run;

// Allocates the work area for MAXVAR variables and MAXADD words; false when memory fails.
bool allocate_workspace(Workspace& ws, int maxvar, long long maxadd, int nbytes);
// Empties the workspace as a reset of the run does.
void reset_workspace(Workspace& ws);

// Classifies a word by its first character: 0 digit, 1 letter, -1 anything else.
int NAMCHK(std::string_view word);
// The lookups, on the workspace alone: they report nothing.
// Finds a name: slot, -k for result scalar k (names beginning with $), or 0. Names are matched
// upper-cased unless `lower_case_names` (SET LCASE) keeps their case.
int find_variable(const Workspace& ws, std::string_view name, bool lower_case_names);
// The slot a reference belongs to: itself, or for a column reference (col + MXCOL x slot, a
// remainder of 0 being column MXCOL) its matrix's slot.
int reference_slot(const Workspace& ws, int ref);
// What a reference's header says, or that its column lies beyond the variable (`column` then
// holds the column asked for).
enum class VarStatus { FOUND, COLUMN_BEYOND };
VarStatus variable_info(const Workspace& ws, int ref, VarInfo& info, int& column);
// Element k (1-based) of a variable reference, as variable_info lays it out:
// DATA(addr + (3+k)*inc); for a result scalar the entry res[scalar]; for reference 0 a scratch
// word.
Real& element(Workspace& ws, ResultScalars& res, const VarInfo& info, long long k);

// The same lookups for a command, which report what they find wrong.
// VFIND: find_variable under the run's SET LCASE.
int VFIND(Run& run, std::string_view name);
// VINFO: variable_info; a column beyond the variable is reported ("ROW OR COLUMN n EXCEEDS
// VARIABLE SIZE") and gives false.
bool VINFO(Run& run, int ref, VarInfo& info);
// Creates or enlarges a variable; `ref` carries the requested column in and the reference out
// (0 when nothing could be created).
void NEWVAR(Run& run, std::string_view name, int inc, int type, long long length, int ncol,
            int& ref);
// Gives a variable that NEWVAR kept in its longer storage exactly `length` elements and `ncol`
// columns, so that a command's output holds what the command stored and nothing older (the
// words after it stay the slot's own until a compaction). A variable already that long, or
// one that is not a plain vector or matrix, is left as it is.
void fit_variable_shape(Run& run, int ref, long long length, int ncol);
// Reports an exhausted work area (NEED beyond MAXADD); sets ODONT, and OSCAN unless OTALK.
void NOCORE(Run& run);
// Reports a full variable table (NVARS would exceed MAXVAR); sets ODONT, and OSCAN unless OTALK.
void variable_limit_report(Run& run);
// element() on the run's workspace and result scalars.
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
