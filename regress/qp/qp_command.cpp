// QP: reads Q and c (and the rows A, b) from the list and TYPES=, LOWER=, UPPER= from the
// options, checks that they conform and that Q is symmetric positive semidefinite, solves,
// reports and stores what was asked for; infeasible, unbounded and unverified programs are
// errors and store nothing.
#include "regress/qp/qp_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/quadratic_program.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/symmetric_eigen.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/lp/lp_inputs.hpp"
#include "regress/qp/qp_errors.hpp"
#include "regress/qp/qp_options.hpp"
#include "regress/qp/qp_report.hpp"

#include <algorithm>

namespace tarvex {

namespace {

const InputErrors QP_INPUT_ERRORS{ERR_QP_NOT_NUMERIC, ERR_QP_MISSING, ERR_QP_SHAPE};

bool qp_shape_error(Run& run, const InputMatrix& m, const std::string& wanted) {
    return input_shape_error(run, m, wanted, QP_INPUT_ERRORS);
}

// Q must equal its transpose and have no negative eigenvalue (to binary128 rounding).
bool qp_convex(Run& run, const InputMatrix& q) {
    const long long n = q.rows;
    for (long long i = 0; i < n; ++i)
        for (long long j = 0; j < i; ++j)
            if (q.values[std::size_t(i * n + j)] != q.values[std::size_t(j * n + i)]) {
                report_error(run,
                             " ...ERROR.." + q.name + " IS NOT SYMMETRIC: ELEMENT (" +
                                 std::to_string(i + 1) + "," + std::to_string(j + 1) +
                                 ") DIFFERS FROM (" + std::to_string(j + 1) + "," +
                                 std::to_string(i + 1) + ")",
                             ERR_QP_NOT_SYMMETRIC);
                return false;
            }
    std::vector<Real> work = q.values, eig;
    if (!symmetric_eigenvalues(work, int(n), eig) || eig.empty()) return true;
    Real largest = 0;
    for (const Real& e : eig) largest = std::max(largest, qm::abs(e));
    if (eig.front() < -1e-28Q * std::max(largest, Real(1))) {
        report_error(run,
                     " ...ERROR.." + q.name +
                         " IS NOT POSITIVE SEMIDEFINITE: ITS SMALLEST EIGENVALUE IS " +
                         trim_blanks(fmt_G(eig.front(), 16, 8)),
                     ERR_QP_NOT_CONVEX);
        return false;
    }
    return true;
}

bool read_qp_problem(Run& run, const QpOptions& o, QuadraticProgram& qp, std::vector<int>& inputs) {
    const int items = run.scan.NF;
    InputMatrix m[4];
    for (int k = 1; k <= items; ++k) {
        const int ref = plain_reference(run.scan.list[std::size_t(k)]);
        inputs.push_back(ref);
        if (!read_input_matrix(run, ref, reference_name(run, ref), QP_INPUT_ERRORS, m[k - 1]))
            return false;
    }
    const InputMatrix &q = m[0], &c = m[1], &a = m[2], &b = m[3];
    if (c.values.empty() || q.values.empty()) {
        report_error(run, " ...ERROR..THE QUADRATIC PROGRAM IS EMPTY: IT NEEDS A VARIABLE",
                     ERR_QP_EMPTY);
        return false;
    }
    if (c.rows != 1 && c.cols != 1) return qp_shape_error(run, c, "A VECTOR (THE LINEAR TERM C)");
    const long long n = c.rows * c.cols;
    if (q.rows != n || q.cols != n)
        return qp_shape_error(run, q,
                              std::to_string(n) + " BY " + std::to_string(n) +
                                  " (ONE ROW AND COLUMN PER ELEMENT OF " + c.name + ")");
    if (items == 4) {
        if (a.cols != n)
            return qp_shape_error(run, a,
                                  "A MATRIX OF " + std::to_string(n) +
                                      " COLUMNS (ONE PER ELEMENT OF " + c.name + ")");
        if (!is_vector_of(b, a.rows))
            return qp_shape_error(run, b,
                                  "A VECTOR OF " + std::to_string(a.rows) + " (ONE PER ROW OF " +
                                      a.name + ")");
    }
    qp.cols = int(n);
    qp.rows = items == 4 ? int(a.rows) : 0;
    qp.q = q.values;
    qp.c = c.values;
    qp.a = a.values;
    qp.b = b.values;
    ProgramLimits limits;
    if (!read_program_limits(run, {o.TYPES, o.LOWER, o.UPPER}, qp.rows, n, -1e30Q,
                             {QP_INPUT_ERRORS, ERR_QP_TYPES, ERR_QP_BOUNDS}, limits, inputs))
        return false;
    qp.sense = std::move(limits.sense);
    qp.lower = std::move(limits.lower);
    qp.upper = std::move(limits.upper);
    return qp_convex(run, q);
}

bool qp_solved(Run& run, const QpSolution& s, long long limit) {
    switch (s.status) {
    case QpStatus::OPTIMAL:
        return true;
    case QpStatus::INFEASIBLE:
        report_error(run,
                     " ...ERROR..THE QUADRATIC PROGRAM IS INFEASIBLE: NO X MEETS EVERY ROW AND "
                     "BOUND",
                     ERR_QP_INFEASIBLE);
        return false;
    case QpStatus::UNBOUNDED:
        report_error(run,
                     " ...ERROR..THE QUADRATIC PROGRAM IS UNBOUNDED: THE OBJECTIVE FALLS WITHOUT "
                     "END",
                     ERR_QP_UNBOUNDED);
        return false;
    case QpStatus::NO_CERTIFICATE:
        break;
    }
    report_error(run,
                 " ...ERROR..NO SOLUTION OF THE QUADRATIC PROGRAM PASSED THE BINARY128 KKT CHECK "
                 "AFTER " +
                     std::to_string(s.iterations + s.exact_iterations) +
                     " STEPS (MAXIT=" + std::to_string(limit) + " PER STAGE)",
                 ERR_QP_UNCERTIFIED);
    return false;
}

} // namespace

void cmd_qp(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " QP");
    set_qp_defaults(run);
    if (!OPTION(run, qp_option_table())) return;
    const QpOptions o = read_qp_options(run);
    if (!check_name_options(run, qp_option_table(), ERR_QP_OPTION)) return;
    if (o.MAXIT < 0)
        return (void)option_out_of_range(run, "MAXIT", o.MAXIT,
                                         "IT MUST BE 0 (THE DEFAULT LIMIT) OR MORE STEPS");
    if (run.scan.NF != 2 && run.scan.NF != 4) {
        report_error(run,
                     " ...ERROR..QP NEEDS TWO OR FOUR VARIABLES: QP Q c, OR QP Q c A b (ROWS, "
                     "RIGHT SIDES)",
                     ERR_QP_LIST);
        return;
    }
    QuadraticProgram qp;
    std::vector<int> inputs;
    if (!read_qp_problem(run, o, qp, inputs)) return;
    const std::vector<OutputName> outputs{
        {"X", o.X}, {"DUAL", o.DUAL}, {"BOUNDDUA", o.BOUNDDUA}, {"SLACK", o.SLACK}};
    if (!check_output_names(run, outputs, inputs)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    qp.step_limit = o.MAXIT;
    const QpSolution s = solve_quadratic_program(qp);
    if (!qp_solved(run, s, o.MAXIT > 0 ? o.MAXIT : qp_default_step_limit(qp.rows, qp.cols))) return;
    if (!o.SILENT) report_quadratic_program(run, qp, s);
    run.res[R_VAL] = s.objective;
    run.res[R_N] = Real(qp.rows);
    run.res[R_K] = Real(qp.cols);
    // A program without rows has no row multipliers or slacks to store.
    if (!store_vector(run, o.X, s.x) || !store_vector(run, o.BOUNDDUA, s.bound) || qp.rows == 0)
        return;
    if (!store_vector(run, o.DUAL, s.dual)) return;
    store_vector(run, o.SLACK, s.slack);
}

} // namespace tarvex
