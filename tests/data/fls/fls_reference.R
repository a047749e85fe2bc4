# Reference values for FLS: the full (TK x TK) normal equations of
#   sum (y_t - x_t' b_t)^2 + mu sum ||b_{t+1} - b_t||^2
# built and solved in R (Rscript fls_reference.R). Typed into
# tests/unit/test_gme_fls_reference.cpp and tests/golden/fls/estimates.tvx.
y  <- c(1.2, 2.9, 3.1, 2.0, 4.4, 3.0, 6.2, 4.1, 6.0, 5.3)
x2 <- c(2.1, 3.5, 1.2, 4.8, 3.3, 5.9, 2.2, 6.1, 4.4, 7.0)
X <- cbind(x2, 1)                      # the terms, CONSTANT last
fls <- function(mu) {
  T <- nrow(X); K <- ncol(X)
  A <- matrix(0, T * K, T * K); r <- numeric(T * K)
  for (t in 1:T) {
    i <- ((t - 1) * K + 1):(t * K)
    A[i, i] <- A[i, i] + X[t, ] %o% X[t, ]
    r[i] <- X[t, ] * y[t]
    if (t < T) {
      j <- i + K
      A[i, i] <- A[i, i] + mu * diag(K); A[j, j] <- A[j, j] + mu * diag(K)
      A[i, j] <- A[i, j] - mu * diag(K); A[j, i] <- A[j, i] - mu * diag(K)
    }
  }
  b <- matrix(solve(A, r), T, K, byrow = TRUE)
  res <- y - rowSums(X * b)
  list(b = b, rM = sum(res^2), rD = sum(diff(b)^2), res = res)
}
for (mu in c(1, 10, 0.1)) {
  f <- fls(mu)
  cat("mu", mu, "\n"); print(f$rM, digits = 15); print(f$rD, digits = 15)
  print(f$b[c(1, 5, 10), ], digits = 15); print(f$res[c(1, 10)], digits = 15)
}
