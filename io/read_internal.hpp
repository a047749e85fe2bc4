// What the pieces of READ share: the job being read (unit, names, observation range, pending
// values) and the readers of each data layout. Only the read_*.cpp files include this.
#pragma once

#include "core/rank_agreement.hpp"
#include "io/data_lines.hpp"
#include "io/imported_table.hpp"
#include "io/read_command.hpp"
#include "io/read_staging.hpp"

#include <map>
#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct FormatProgram;

inline constexpr int READ_NAME_LIMIT = 10000;

struct ReadJob {
    Run& run;
    int unit = 0;
    bool command_stream = false;    // data follow the statement on the command input
    bool interactive = false;       // prompting and re-entry of bad rows at the console
    std::vector<std::string> names; // the variables to fill, in column order (SKIP$ included)
    long long beg = 1;              // first observation filled
    long long end = 0;              // last observation, 0 when the data decide
    std::vector<PendingVariable> pending;
    long long first_element = 1;  // where element 1 of the pending values goes
    long long count = 0;          // observations (or elements) read per variable
    bool names_from_file = false; // NAMES: the header fixes how many values make a row
    bool delimited_rows = false;  // one record per observation, split on its delimiter
    bool end_from_sample = false; // the last observation is the sample's, not BEG/END/OBS
    long long missing_values = 0; // data values read that hold the missing code
    long long lines_left = 0;     // data lines of a named file past the last observation read
    // Columns read from text: the variable, its category labels (code k is labels[k-1]; none
    // for a character variable) and how many distinct texts it holds.
    struct TextColumn {
        std::string name;
        std::vector<std::string> labels;
        bool char_var = false;
        std::size_t distinct = 0;
    };
    std::vector<TextColumn> text_columns;
    // Category labels a package file's value labels give (code k is labels[k-1]), by name.
    std::map<std::string, std::vector<std::string>> category_labels;

    explicit ReadJob(Run& r) : run(r) {}
    bool count_known() const { return end >= beg; }
    long long expected() const { return end - beg + 1; }
    // One pending variable per listed name (SKIP$ columns marked to be passed over).
    void make_pending(int type, int ncol);
};

// Notes (and echoes) are printed: the command may print and warnings are on.
bool notes_on(const Run& run);

// " ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED": the data ran out before the last
// observation.
void less_data(Run& run);

// After a read error at `item`: when the item is a number beyond the binary128 range, a note
// says it overflows and $ERR is set; true then.
bool explain_bad_value(Run& run, std::string_view item);

// Layout readers. Each fills job.pending and job.count; false after an error line.
bool read_free_text(ReadJob& job, DataLines& lines); // free format, by observation/BYVAR
// Free format by observation from a long file on two threads: true when it read the data
// (pending values filled, `rows` observations, the file left where the serial reader leaves it),
// false when nothing was taken and the records are to be read one by one.
bool read_observations_split(ReadJob& job, DataLines& lines, long long& rows);
// The same for delimited records (`delimiter` forced by FORMAT=, or -1: each record's own),
// every field a number or missing.
bool read_delimited_split(ReadJob& job, DataLines& lines, char delimiter, int skip_cols,
                          long long& rows);
bool read_delimited(ReadJob& job, DataLines& lines, int skip_cols); // one record per observation
// After the values are stored: the category labels of the text columns go with their series
// (a series read from numbers loses any it had), and one note per text column says what it
// became.
void keep_text_column_labels(ReadJob& job);
// NAMES: the names from the file; `delimited` tells whether commas or tabs separated them.
bool read_names_line(ReadJob& job, DataLines& lines, bool& delimited);
bool read_dif(ReadJob& job, DataLines& lines, bool names_from_file);
bool read_tarv_blocks(ReadJob& job, DataLines& lines, bool binary);
bool read_matrix(ReadJob& job, DataLines& lines);
// A statistical-package file or a workbook sheet at `path`: the listed variables, or every one
// when none is listed.
bool read_imported_file(ReadJob& job, const std::string& path, DataFileKind kind);

// READ ... / BIND: binds the listed series (with NAMES, or TARVEX and none listed, every series
// of the file) to the unit's file instead of loading them; `binary` and `kind` as READ found
// them. The ranks of a run over several processes agree on the outcome (`step`) before anything
// is bound. False after an error line (another rank's, when only that rank failed).
bool bind_series(ReadJob& job, DataLines& lines, bool binary, DataFileKind kind, AgreedStep& step);

// The shape one matrix is read into: COLS/ROWS and SYMAT/TRIMAT from the options, else the
// shape of the existing matrix of that name (rows 0: as many as the data give). False, with the
// message written, when more than one name is given or a new matrix has no COLS.
struct MatrixShape {
    int type = 0;
    long long rows = 0;
    long long cols = 0;
    bool lower = false; // symmetric or triangle: row i holds i values
};
bool matrix_shape(ReadJob& job, MatrixShape& shape);
bool read_characters(ReadJob& job, DataLines& lines);
// The stored user format applies: the FORMAT option without a value, or the run switch OFMT.
bool user_format_requested(const Run& run);
// The stored format, announced when notes are printed and parsed into `program` (`free_format`
// when its text begins FREE); false after an error line.
bool user_format_program(ReadJob& job, FormatProgram& program, bool& free_format);
bool read_user_format(ReadJob& job, DataLines& lines);
// Unformatted records (BINARY, SBINARY): one record per observation, or with `by_var` one per
// variable; a matrix as one record of its elements column after column, or (SYMAT, TRIMAT) of
// its lower triangle row after row.
bool read_binary_records(ReadJob& job, std::FILE* fp, bool by_var);
bool read_binary_matrix(ReadJob& job, std::FILE* fp);

} // namespace tarvex
