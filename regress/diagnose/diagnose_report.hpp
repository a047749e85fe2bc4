// The report of DIAGNOSE: one block per test, written from what the tests computed.
#pragma once

#include "regress/diagnose/stability_tests.hpp"

#include <vector>

namespace tarvex {

struct Run;

void write_diagnose_heading(Run& run, int beg, int end, int n, int k);
// The Chow tests with the break at observation `obs`, n1 rows before it and n2 from it on.
void write_chow_tests(Run& run, int obs, int n1, int n2, const ChowTests& c);
// The sup-F test over breaks at observations first_obs .. last_obs; `at_obs` is where the
// largest statistic stands.
void write_sup_wald(Run& run, int first_obs, int last_obs, int at_obs, const SupWald& w);
void write_arch_test(Run& run, int q, const ArchTest& a);

} // namespace tarvex
