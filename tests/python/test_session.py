"""The Python session as a user sees it: data round trips, the estimation result against
independent reference values and against the same run's printed report, errors, warnings,
Ctrl-C, and the refusal of a second session."""

import _thread
import decimal
import os
import signal
import subprocess
import sys
import textwrap
import threading
import time

import numpy as np
import pandas as pd
import pytest

import tarvex

# NIST StRD certified values for the Longley regression (intercept last, as TARVEX reports).
LONGLEY_COEF = [15.0618722713733, -0.358191792925910e-01, -2.02022980381683, -1.03322686717359,
                -0.511041056535807e-01, 1829.15146461355, -3482258.63459582]
LONGLEY_SE = [84.9149257747669, 0.334910077722432e-01, 0.488399681651699, 0.214274163161675,
              0.226073200069370, 455.478499142212, 890420.383607373]
LONGLEY_SIGMA = 304.854073561965
LONGLEY_R2 = 0.995479004577296
LONGLEY_SSE = 836424.055505915


def longley_frame(data_dir):
    cols = ["Y", "X1", "X2", "X3", "X4", "X5", "X6"]
    return pd.read_csv(os.path.join(data_dir, "Longley.txt"), sep=r"\s+", header=None,
                       names=cols)


def report_table(lines):
    """Name -> (coefficient, standard error) read off the printed coefficient table."""
    rows = {}
    for k, line in enumerate(lines):
        if line.strip().startswith("VARIABLE") and "ESTIMATED" in line:
            for row in lines[k + 2:]:
                parts = row.split()
                if len(parts) < 3:
                    break
                rows[parts[0]] = (float(parts[1]), float(parts[2]))
            break
    return rows


def test_float64_values_come_back_bit_for_bit(session):
    rng = np.random.default_rng(7)
    values = np.concatenate([rng.normal(size=50) * 10.0 ** rng.integers(-300, 300, size=50),
                             [0.1, 1 / 3, -0.0, 5e-324, 1.7976931348623157e308, 2.0 ** -1074]])
    session["RT"] = values
    back = session.get("RT")
    assert back.dtype == np.float64
    assert np.array_equal(back.view(np.uint64)[:-3], values.view(np.uint64)[:-3])
    assert np.array_equal(back, values)


def test_exact_form_is_the_shortest_binary128_decimal(session):
    session["EX"] = np.array([0.1, 0.5, 1e-7, 3.0])
    exact = session.get("EX", exact=True)
    assert all(isinstance(x, decimal.Decimal) for x in exact)
    # The double nearest 0.1 is 0.1000000000000000055511151231257827021181583404541015625;
    # 34 significant digits identify it among binary128 values, 33 do not.
    assert exact[0] == decimal.Decimal("0.1000000000000000055511151231257827")
    assert exact[1] == decimal.Decimal("0.5")
    assert exact[3] == decimal.Decimal("3")
    assert float(exact[2]) == 1e-7
    # A value the engine computes in binary128: 1/10 exactly rounded there, not the double.
    session.run("GENR TENTH = 1/10")
    assert session.get("TENTH", exact=True)[0] == decimal.Decimal("0.1")


def test_missing_values_and_long_names(session):
    frame = pd.DataFrame({"consumption_total": [1.0, np.nan, 3.0],
                          "income": pd.array([2, None, 4], dtype="Int64")})
    mapping = session.put(frame)
    assert mapping == {"consumption_total": "consumpt", "income": "income"}
    got = session.get("CONSUMPT")
    assert np.isnan(got[1]) and got[0] == 1.0 and got[2] == 3.0
    assert np.isnan(session.get("INCOME")[1])
    # The engine sees the missing code, not a number.
    out = session.run("SMPL 1 3\nGENR MISSFLAG = INCOME .EQ. $MISS\nPRINT MISSFLAG")
    assert list(session.get("MISSFLAG")) == [0.0, 1.0, 0.0]
    assert any("MISSFLAG" in line for line in out.report)


def test_matrix_in_and_out(session):
    m = np.arange(6.0).reshape(3, 2)
    session["MM"] = m
    assert np.array_equal(session.get("MM"), m)
    session.run("MATRIX MT = MM'")
    assert np.array_equal(session.get("MT"), m.T)


def test_longley_against_certified_values_and_the_report(session, data_dir):
    session.run("SMPL 1 16")
    session.put(longley_frame(data_dir))
    out = session.run("OLS Y X1 X2 X3 X4 X5 X6")
    r = out.result
    assert r is not None and r.command == "OLSQ"
    assert r.names == ["X1", "X2", "X3", "X4", "X5", "X6", "CONSTANT"]
    assert r.nobs == 16 and r.k == 7 and r.df == 9
    np.testing.assert_allclose(r.coef.to_numpy(), LONGLEY_COEF, rtol=1e-12)
    np.testing.assert_allclose(r.stderr.to_numpy(), LONGLEY_SE, rtol=1e-12)
    assert abs(r.sigma - LONGLEY_SIGMA) < 1e-9
    assert abs(r.rsquared - LONGLEY_R2) < 1e-13
    assert r.sse == pytest.approx(LONGLEY_SSE, rel=1e-13)
    # The normal log-likelihood at the certified residual sum of squares.
    assert r.llf == pytest.approx(-8 * (1 + np.log(2 * np.pi) + np.log(LONGLEY_SSE / 16)),
                                  rel=1e-13)
    assert abs(out.scalars["$R2"] - LONGLEY_R2) < 1e-13
    assert out.scalars["$N"] == 16
    np.testing.assert_allclose(np.sqrt(np.diag(r.cov.to_numpy())), LONGLEY_SE, rtol=1e-12)
    # Every coefficient and standard error printed matches the result to the digits shown.
    printed = report_table(out.report)
    assert set(printed) == set(r.names)
    for name in r.names:
        coef, se = printed[name]
        assert coef == pytest.approx(r.coef[name], rel=1e-4)
        assert se == pytest.approx(r.stderr[name], rel=1e-4)
    assert "<table" in r._repr_html_() and "X6" in r._repr_html_()
    assert out.report._repr_html_().startswith("<pre>")
    # Each estimation of one run() gives its own result; other statements give none.
    two = session.run("OLS Y X1\nOLS Y X2")
    assert [res.names for res in two.results] == [["X1", "CONSTANT"], ["X2", "CONSTANT"]]
    assert two.result is two.results[1]
    assert session.run("PRINT $R2").result is None
    assert r.coef_exact["X6"] == pytest.approx(decimal.Decimal("1829.15146461355"),
                                               rel=decimal.Decimal("1e-13"))


def test_an_error_raises_with_its_number_and_the_session_goes_on(session):
    with pytest.raises(tarvex.Error) as caught:
        session.run("OLS NOSUCHY NOSUCHX")
    # A listed variable that does not exist: the shared number 1020, as the program shows it.
    assert caught.value.number == 1020 and isinstance(caught.value.number, int)
    assert "VARIABLE NOSUCHY DOES NOT EXIST" in caught.value.message
    # The number is the one $ERR holds after the statement.
    assert session.scalars()["$ERR"] == caught.value.number
    assert session.run("GENR ONE = 1").report is not None
    assert session.get("ONE")[0] == 1.0


def test_a_warning_goes_through_warnings(session):
    session.run("SMPL 1 3")
    session["WY"] = np.array([1.0, 2.0, 4.0])
    session["WX"] = np.array([1.0, 2.0, 3.0])
    with pytest.warns(tarvex.EngineWarning):
        session.run("OLS WY WX / BEG=2 NOANOVA NOGF")


def test_ctrl_c_interrupts_the_command_and_the_session_stays_usable(session):
    session.run("SMPL 1 1")
    for interrupt in (_thread.interrupt_main, lambda: os.kill(os.getpid(), signal.SIGINT)):
        timer = threading.Timer(0.5, interrupt)
        started = time.monotonic()
        timer.start()
        try:
            with pytest.raises(KeyboardInterrupt):
                session.run("DO # = 1,100000000\nGENR SPIN = #\nENDO\nGENR NOTRUN = 1")
        finally:
            timer.cancel()
        assert time.monotonic() - started < 20
        # The loop stopped part of the way, and the line after it was dropped.
        assert 1 < session.get("SPIN")[0] < 100000000
        with pytest.raises(KeyError):
            session.get("NOTRUN")
    # Inside one long command: the estimation's iterations stop.
    session["LONGZ"] = np.random.default_rng(3).normal(size=100000)
    session.run("SMPL 1 100000")
    timer = threading.Timer(0.5, lambda: os.kill(os.getpid(), signal.SIGINT))
    started = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            session.run("ARIMA LONGZ / NAR=2 NMA=2")
    finally:
        timer.cancel()
    assert time.monotonic() - started < 20
    assert session.run("GENR AFTER = 2").report is not None
    assert session.get("AFTER")[0] == 2.0


def test_a_second_session_is_refused(session):
    with pytest.raises(tarvex.Error, match="already open"):
        tarvex.Session()
    # The first is untouched.
    session["SECOND"] = np.array([5.0])
    assert session.get("SECOND")[0] == 5.0


def test_a_graph_shows_inline(session, tmp_path):
    session.run("SMPL 1 5")
    session["GY"] = np.array([1.0, 4.0, 9.0, 16.0, 25.0])
    session["GX"] = np.array([1.0, 2.0, 3.0, 4.0, 5.0])
    target = tmp_path / "squares.png"
    out = session.run(f"GRAPH GY GX / SCATTER OUTPUT='{target}'")
    assert out.graphs == [str(target)], out.report
    assert target.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert 'src="data:image/png;base64,' in out._repr_html_()


def test_stop_ends_the_session_and_a_new_one_may_follow():
    # In a process of its own: the tests' shared session must stay open.
    script = textwrap.dedent("""
        import tarvex
        s = tarvex.Session()
        s.run("STOP")
        try:
            s.run("GENR A = 1")
        except tarvex.Error as e:
            print("refused:", e.message)
        s.close()
        t = tarvex.Session()
        t["B"] = [1.5, 2.5]
        print("second:", list(t.get("B")))
    """)
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          timeout=120, env=os.environ)
    assert done.returncode == 0, done.stderr
    assert "refused: the TARVEX session has ended" in done.stdout
    assert "second: [1.5, 2.5]" in done.stdout
