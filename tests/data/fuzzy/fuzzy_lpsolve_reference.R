# Reference for FUZZY from R's lpSolve: the same fuzzy regression program, the free centres
# split as a = a_plus - a_minus (lpSolve's variables are all >= 0).
#   minimise sum_j c_j sum_i |x_ij|
#   subject to a'x_i + (1-h) c'|x_i| >= y_i,  a'x_i - (1-h) c'|x_i| <= y_i
# Columns: the regressor first, the intercept last (FUZZY's order). Run: Rscript fuzzy_lpsolve_reference.R
library(lpSolve)
fuzzy_lp <- function(X, y, h) {
  k <- ncol(X); w <- 1 - h
  A <- rbind(cbind(X, -X, w * abs(X)), cbind(X, -X, -w * abs(X)))
  s <- lp("min", c(rep(0, 2 * k), colSums(abs(X))), A,
          c(rep(">=", nrow(X)), rep("<=", nrow(X))), c(y, y))
  z <- s$solution
  list(centre = z[1:k] - z[(k + 1):(2 * k)], spread = z[(2 * k + 1):(3 * k)], total = s$objval,
       status = s$status)
}
y <- c(1.2, 2.9, 3.1, 2.0, 4.4, 3.0, 6.2, 4.1, 6.0, 5.3)
x2 <- c(2.1, 3.5, 1.2, 4.8, 3.3, 5.9, 2.2, 6.1, 4.4, 7.0)
for (h in c(0, 0.3)) {
  f <- fuzzy_lp(cbind(x2, 1), y, h)
  cat("h =", h, "status", f$status, "\n")
  cat(sprintf("  centre %.17g\n", f$centre), sep = ""); cat(sprintf("  spread %.17g\n", f$spread), sep = "")
  cat(sprintf("  total  %.17g\n", f$total))
}
