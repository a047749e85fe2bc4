// Matrices for READ: a general matrix row by row (COLS and ROWS, or the shape of the existing
// matrix), or with SYMAT/TRIMAT the lower triangle row by row (row i holds i values), free
// format or, when the stored format is in force, each row through it. Stored
// column after column; a symmetric matrix is completed from its lower triangle, a triangle
// matrix has zeros above the diagonal.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/format_program.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "io/record_scan.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

bool existing_matrix(Run& run, const std::string& name, VarInfo& info) {
    const int ref = VFIND(run, name);
    return ref > 0 && VINFO(run, ref, info) && info.type >= TYPE_MATRIX &&
           info.type <= TYPE_TRIANGLE && info.length > 0;
}

} // namespace

bool is_existing_matrix(Run& run, const std::vector<std::string>& names) {
    VarInfo info;
    return names.size() == 1 && existing_matrix(run, names.front(), info);
}

bool matrix_shape(ReadJob& job, MatrixShape& shape) {
    Run& run = job.run;
    const OptionSet& opt = run.opt;
    if (job.names.size() != 1) {
        report_error(run, " ...ERROR..ONLY ONE MATRIX MAY BE READ AT A TIME", ERR_READ_ONE_MATRIX);
        return false;
    }
    VarInfo old;
    const bool existing = existing_matrix(run, job.names.front(), old);
    shape.type = opt.sw[RS_SYMAT]    ? TYPE_SYMMETRIC
                 : opt.sw[RS_TRIMAT] ? TYPE_TRIANGLE
                                     : TYPE_MATRIX;
    shape.cols = opt.iv[RV_COLS];
    shape.rows = opt.iv[RV_ROWS];
    if (shape.cols <= 0) {
        if (!existing) {
            report_error(run, " ...ERROR..NEW MATRIX..COLS OR COL2 MUST BE SPECIFIED",
                         ERR_READ_MATRIX_COLS);
            return false;
        }
        shape.cols = old.ncol;
        if (shape.rows <= 0) shape.rows = old.length / old.ncol;
        if (shape.type == TYPE_MATRIX) shape.type = old.type;
    }
    shape.lower = shape.type != TYPE_MATRIX;
    if (shape.lower) shape.rows = shape.cols;
    return true;
}

bool read_matrix(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    MatrixShape shape;
    if (!matrix_shape(job, shape)) return false;
    const int type = shape.type;
    const bool lower = shape.lower;
    const long long cols = shape.cols;
    long long rows = shape.rows;
    const long long room = run.ws.MAXADD - run.ws.LASADD - 4;
    if ((rows > 0 && rows * cols > room) || cols > room) {
        report_error(run, " ...ERROR..INSUFFICIENT MEMORY TO ENTER MATRIX", ERR_READ_MATRIX_MEMORY);
        return false;
    }
    // A stored format in force reads each row from a new record through the format.
    FormatProgram program;
    bool formatted = false;
    if (user_format_requested(run)) {
        bool free_format = false;
        if (!user_format_program(job, program, free_format)) return false;
        formatted = !free_format;
    }
    auto bad_row = [&](long long row_number, long long column, std::string_view item) {
        report_error(run,
                     lower ? std::string(" ...ERROR..READ ERROR IN LOWER TRIANGLE OF MATRIX")
                           : " ...ERROR..READ ERROR IN ROW" + fmt_I(row_number, 7) + " COLUMN" +
                                 fmt_I(column, 7),
                     ERR_READ_BAD_VALUE);
        explain_bad_value(run, item);
        return false;
    };
    // Row-major gathering, rows appended as they are read.
    std::vector<Real> by_row;
    FreeScanner scanner;
    std::string_view line;
    const RecordSource next_record = [&](std::string& record) {
        if (!lines.next(line)) return false;
        record.assign(line);
        return true;
    };
    std::vector<FormatValue> formatted_values;
    long long row = 0;
    bool short_data = false;
    while (rows <= 0 || row < rows) {
        const long long want = lower ? row + 1 : cols;
        long long got = 0;
        bool need = true, ended = false;
        std::vector<Real> values(static_cast<std::size_t>(want), 0);
        if (formatted) {
            std::string first;
            std::string bad;
            formatted_values.clear();
            bool more = true;
            if (!next_record(first)) {
                ended = true;
            } else if (!format_read(
                           program, first,
                           [&](std::string& record) {
                               more = next_record(record);
                               return more;
                           },
                           static_cast<std::size_t>(want), formatted_values, &bad)) {
                if (more)
                    return bad_row(row + 1, static_cast<long long>(formatted_values.size()) + 1,
                                   bad);
                ended = true;
            }
            for (const FormatValue& v : formatted_values)
                if (got < want)
                    values[static_cast<std::size_t>(got++)] =
                        v.is_text ? chars_to_element(v.text) : v.number;
        }
        while (!formatted && got < want) {
            if (need) {
                if (!lines.next(line)) {
                    ended = true;
                    break;
                }
                scanner.reset(line);
                need = false;
            }
            Real v = 0;
            const FieldKind kind = scanner.next(v);
            if (kind == FieldKind::END) {
                need = true;
            } else if (kind == FieldKind::BAD) {
                return bad_row(row + 1, got + 1, scanner.bad_item());
            } else if (kind == FieldKind::SLASH) {
                got = want;
            } else {
                values[static_cast<std::size_t>(got++)] =
                    kind == FieldKind::VALUE ? v : run.ws.XMISS;
            }
        }
        if (ended && got == 0 && rows <= 0) break;
        if (ended) short_data = true;
        by_row.insert(by_row.end(), values.begin(), values.end());
        ++row;
        if (ended) break;
    }
    if (row == 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    if (rows <= 0) rows = row;
    if (short_data || row < rows) {
        less_data(run);
        while (static_cast<long long>(by_row.size()) <
               (lower ? rows * (rows + 1) / 2 : rows * cols))
            by_row.push_back(0);
    }
    job.make_pending(type, static_cast<int>(cols));
    job.first_element = 1;
    ChunkedValues& out = job.pending.front().values;
    auto lower_at = [&](long long i, long long j) { return by_row[i * (i + 1) / 2 + j]; };
    for (long long j = 0; j < cols; ++j)
        for (long long i = 0; i < rows; ++i) {
            if (!lower)
                out.push(by_row[i * cols + j]);
            else if (i >= j)
                out.push(lower_at(i, j));
            else
                out.push(type == TYPE_SYMMETRIC ? lower_at(j, i) : Real(0));
        }
    job.count = rows;
    if (notes_on(run)) {
        write_line(run, " ...NOTE.." + fmt_I(rows, 8) + " ROWS AND    " + fmt_I(cols, 8) +
                            " COLUMNS, BEGINNING AT ROW" + fmt_I(1, 8));
        if (lower) write_line(run, " LOWER TRIANGLE OF MATRIX");
    }
    return true;
}

} // namespace tarvex
