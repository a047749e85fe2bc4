#!/usr/bin/env bash
# The cost of a run over several processes for least squares on 11 columns: one pass over each
# rank's share of the rows into the exact Gram sums (66 entries), then one all-reduce of those
# sums. Usage (after `make build-mpi`):
#   bench/mpi_reduce.sh [BUILD_DIR] [ROWS...]
#
# Model of the time against P ranks and n rows:
#   T(P, n) = a n / P + b ceil(log2 P) S
# a: the pass's cost per row (66 exact products a row); S: the packed size of the sums, 8 (4 + 2m)
# bytes an entry, m the limbs between the smallest and the largest product's bits (plus one
# spare), so S grows with the spread of the data's exponents, not with the rows; b: the cost per
# byte and step of the reduction (the all-reduce takes ceil(log2 P) exchange-and-merge steps,
# each also paying a fixed latency that b absorbs here). a is fitted from P = 1, b from P = 2;
# the script then prints the model's prediction for P = 4 beside the measurement.
#
# Measured on the development machine (2 processors shared with other work, so P = 4 is
# oversubscribed), values spread over 2^-400 .. 2^400 (S = 44 KB, about 670 bytes an entry):
#   rows 200000: a = 8.0e-6 s/row; P=2 pass 0.83 s (model 0.80), reduce 0.017 s (fit);
#                P=4 pass 0.91 s (model 0.40), reduce 0.076 s (model 0.034)
#   rows  20000: P=2 pass 0.155 s (model 0.086), reduce 0.015 s; P=4 reduce 0.11 s
# The model holds at P = 2 for a long pass (the pass halves; the reduction is 2% of it); past
# the free processors (P = 4 here) the ranks wait for each other and both terms are above the
# model. The reduction does not depend on the rows: for a long pass it is negligible.
set -eu
build=${1:-build-mpi}
shift || true
rows_list=${*:-20000 200000}
check=$build/tests/mpi/mpi_check
[ -x "$check" ] || { echo "no $check: run make build-mpi first" >&2; exit 2; }
export OMPI_MCA_btl_vader_single_copy_mechanism=none
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for rows in $rows_list; do
  for p in 1 2 4; do
    mpirun --oversubscribe --allow-run-as-root -n "$p" "$check" time "$rows" 200 | tee -a "$results"
  done
done
# Lines: ranks P rows n pass A s reduce R s packed S bytes
awk '
  { p = $2; n = $4; pass[p, n] = $6; red[p, n] = $9; size[n] = $12; rows[n] = 1 }
  END {
    for (n in rows) {
      a = pass[1, n] / n
      b = red[2, n] / size[n]
      printf "rows %d: a = %.3g s/row, b = %.3g s/byte/step, S = %d bytes\n", n, a, b, size[n]
      for (p = 2; p <= 4; p *= 2) {
        steps = (p == 2) ? 1 : 2
        printf "  P=%d pass measured %.5f s, model %.5f s; reduce measured %.6f s, model %.6f s\n",
               p, pass[p, n], a * n / p, red[p, n], b * steps * size[n]
      }
    }
  }' "$results"
