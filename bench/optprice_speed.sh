#!/usr/bin/env bash
# Benchmark: option prices on series arguments, whole runs (reading the data included), for
# build/tarvex and, on the same generated data in the same run, for R: the closed form with its
# sensitivities on n options, the implied volatility of their prices (R: uniroot), and American
# puts by a binomial tree of 200 steps on n/100 of them (R: the same recursion, vectorised over
# the nodes). R computes in double precision, the engine in binary128. Prints elapsed, user and
# system seconds and the peak memory (KB) of each, from /usr/bin/time.
# Run by hand: bench/optprice_speed.sh [path/to/tarvex] [options]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-10000}
m=$((n / 100))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Spots, strikes, volatilities and times from a fixed linear congruential generator.
awk -v n="$n" 'BEGIN {
  s = 12345
  for (t = 1; t <= n; t++) {
    for (j = 1; j <= 4; j++) { s = (s * 1103515245 + 12345) % 2147483648; e[j] = s / 2147483648 }
    printf "%.6f %.6f %.6f %.6f\n", 80 + 40 * e[1], 100, 0.1 + 0.4 * e[2], 0.1 + 1.9 * e[3]
  } }' >data.txt
cat >run.tvx <<TVX
sample 1 $n
read (data.txt) s k v t
callopti / spot=s strike=k rate=.05 yield=.02 vol=v time=t value=c delta=d gamma=g vega=ve theta=th rho=r psi=ps
callopti / spot=s strike=k rate=.05 yield=.02 time=t price=c impvol=iv
putoptio / spot=s strike=k rate=.05 yield=.02 vol=v time=t american steps=200 end=$m value=pa
stop
TVX
cat >run.R <<R
x <- read.table("data.txt"); S <- x[, 1]; K <- x[, 2]; v <- x[, 3]; T <- x[, 4]; r <- .05; q <- .02
bs <- function(S, K, v, T) {
  d1 <- (log(S / K) + (r - q + v^2 / 2) * T) / (v * sqrt(T)); d2 <- d1 - v * sqrt(T)
  list(c = S * exp(-q * T) * pnorm(d1) - K * exp(-r * T) * pnorm(d2), d = exp(-q * T) * pnorm(d1),
       g = exp(-q * T) * dnorm(d1) / (S * v * sqrt(T)), ve = S * exp(-q * T) * dnorm(d1) * sqrt(T),
       th = -S * exp(-q * T) * dnorm(d1) * v / (2 * sqrt(T)) - r * K * exp(-r * T) * pnorm(d2) +
         q * S * exp(-q * T) * pnorm(d1),
       rho = K * T * exp(-r * T) * pnorm(d2), psi = -S * T * exp(-q * T) * pnorm(d1))
}
o <- bs(S, K, v, T)
iv <- sapply(seq_along(S), function(i)
  uniroot(function(s) bs(S[i], K[i], s, T[i])\$c - o\$c[i], c(1e-4, 5), tol = 1e-14)\$root)
tree <- function(S, K, v, T, N) {
  dt <- T / N; u <- exp(v * sqrt(dt)); d <- 1 / u; p <- (exp((r - q) * dt) - d) / (u - d)
  V <- pmax(K - S * u^(2 * (0:N) - N), 0)
  for (i in (N - 1):0) V <- pmax(exp(-r * dt) * (p * V[2:(i + 2)] + (1 - p) * V[1:(i + 1)]),
                                 K - S * u^(2 * (0:i) - i))
  V
}
pa <- sapply(1:$m, function(i) tree(S[i], K[i], v[i], T[i], 200))
R
export TARVEX_SETTINGS=/dev/null
echo "options: $n, American: $m   (elapsed user system seconds, peak KB)"
/usr/bin/time -f 'tarvex %e %U %S %M' "$tarvex" run.tvx >tarvex.out
grep -q "BINOMIAL TREE" tarvex.out || { echo "tarvex did not price the American puts"; tail tarvex.out; }
/usr/bin/time -f "R      %e %U %S %M" Rscript run.R
