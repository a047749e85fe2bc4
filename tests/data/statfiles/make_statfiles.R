# Writes the small statistical-package files the READ and WRITE tests use (run from this folder:
# Rscript make_statfiles.R). The values are chosen to test exact conversion: binary fractions,
# values with no short decimal form, very large and very small magnitudes, missing values of
# every kind and value labels.
# Copies of the files sit beside the package goldens (tests/golden/packages).
suppressMessages(library(haven))
income <- c(0.1, 1/3, -2.5, 1e300, 4.9e-300, NA, 123456789.125, 2^-30)
people <- data.frame(
  id = 1:8,
  income = income,
  very_long_variable_a = c(1, 2, 3, 4, 5, 6, 7, 8) / 8,
  very_long_variable_b = c(8, 7, 6, 5, 4, 3, 2, 1) * 1.5,
  name = c("Anne", "Bartholomew", "", "Dee", "Eve", "Fay", "Gus", "Hal"),
  stringsAsFactors = FALSE
)
people$sex <- labelled(c(1, 2, 2, 1, NA, 1, 2, 1), c(male = 1, female = 2))
people$agree <- labelled(c(0, 1, 1, 0, 1, 0, 0, 1), c(no = 0, yes = 1))

dta <- people
# Stata's extended missing value .a in observation 3 of income.
dta$income[3] <- tagged_na("a")
write_dta(dta, "people.dta", version = 14)

sav <- people
# SPSS user-defined missing: -9 in income (observation 4) is declared missing.
sav$income[4] <- -9
sav$income <- labelled_spss(sav$income, na_values = -9)
write_sav(sav, "people.sav")

# Transport files hold IBM floats (56-bit fractions, exponents to about 1e75): smaller magnitudes.
xpt <- people[, c("id", "income", "name")]
xpt$income[4:5] <- c(1e10, 2^-20)
write_xpt(xpt, "people.xpt", version = 5)
suppressWarnings(write_sas(people[, c("id", "income", "name")], "people.sas7bdat"))

# A damaged file: the first 100 bytes of a Stata file.
con <- file("people.dta", "rb"); head <- readBin(con, "raw", 100); close(con)
writeBin(head, "truncated.dta")

# A workbook whose text cells are shared strings (the form most spreadsheet programs write).
suppressMessages(library(openxlsx))
sales <- data.frame(region = c("north", "south", "north"), sales = c(1.5, NA, 2^-10),
                    ok = c(TRUE, FALSE, NA))
write.xlsx(sales, "shared.xlsx", sheetName = "Sales")
