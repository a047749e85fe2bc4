#!/usr/bin/env bash
# Benchmark: the long-only mean-variance frontier at 100 target means for 500 assets (1000
# observations of returns made here, Python's generator, seeded: a market factor plus noise),
# TARVEX's PORTFOLI / NOSHORT against R's quadprog (solve.QP at each target) on the same data in
# the same run; whole process, processor time (user + sys), wall time and peak memory; the
# frontier's standard deviation at the first, middle and last targets from both.
#   bench/portfolio_speed.sh TARVEX [ASSETS] [OBSERVATIONS] [POINTS]
set -eu
exe=$1
k=${2:-500}
n=${3:-1000}
points=${4:-100}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir" "$k" "$n" "$points" <<'PY'
import random, sys
d, k, n, points = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
random.seed(20261208)
beta = [random.uniform(0.5, 1.5) for _ in range(k)]
alpha = [random.uniform(-0.002, 0.004) for _ in range(k)]
with open(d + "/returns.csv", "w") as f:
    f.write(",".join("a%d" % (j + 1) for j in range(k)) + "\n")
    for _ in range(n):
        m = random.gauss(0.005, 0.04)
        f.write(",".join("%.6f" % (alpha[j] + beta[j] * m + random.gauss(0, 0.03)) for j in range(k)) + "\n")
# A statement line holds at most 255 characters: the names go 20 to a line, each line but the
# last ended by "&".
names = " &\n".join(" ".join("a%d" % (j + 1) for j in range(i, min(i + 20, k)))
                     for i in range(0, k, 20))
with open(d + "/portfolio.tvx", "w") as f:
    f.write("READ ('returns.csv') / NAMES\nSMPL 1 %d\n" % n)
    f.write("PORTFOLI %s / NOSHORT SILENT NPOINT=%d FRONTIER=F\n" % (names, points))
    f.write("SMPL 1 %d\nPRINT F\nSTOP\n" % points)
with open(d + "/portfolio.R", "w") as f:
    f.write("""suppressMessages(library(quadprog))
r <- as.matrix(read.csv("returns.csv")); k <- ncol(r); p <- %d
mu <- colMeans(r); S <- cov(r)
A <- cbind(rep(1, k), diag(k)); mv <- solve.QP(S, rep(0, k), A, c(1, rep(0, k)), meq = 1)
lo <- sum(mv$solution * mu); hi <- max(mu)
A2 <- cbind(rep(1, k), mu, diag(k)); sd <- numeric(p)
for (i in 1:p) { t <- lo + (hi - lo) * (i - 1) / (p - 1)
  s <- solve.QP(S, rep(0, k), A2, c(1, t, rep(0, k)), meq = 2)
  sd[i] <- sqrt(2 * s$value) }
cat(sprintf("%%.15g", sd[c(1, (p + 1) %%/%% 2, p)]), "\\n")
""" % points)
PY
run() { # label, command...
  local label=$1; shift
  (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -f '%e %U %S %M' -o "$dir/t" "$@" >"$dir/$label.out" 2>&1)
  read -r e u s m <"$dir/t"
  echo "$label: cpu $(echo "$u + $s" | bc) s, wall $e s, peak ${m} KB"
}
run tarvex "$exe" portfolio.tvx
run quadprog Rscript portfolio.R
mid=$(( (points + 1) / 2 ))
echo "tarvex sd at points 1, $mid, $points:"
awk '/\|_SMPL 1/{p=1} p' "$dir/tarvex.out" | grep -E '^ +[0-9]+ ' | awk -v a=1 -v b="$mid" -v c="$points" '$1==a||$1==b||$1==c {print "  " $0}'
echo "quadprog sd at the same points: $(cat "$dir/quadprog.out")"
