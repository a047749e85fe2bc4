"""TARVEX from Python: a CSV read with pandas, OLS with robust standard errors, a probit and an
ARIMA forecast, each printed beside the values statsmodels gives for the same model.

Run from the repository after `make python`:
    PYTHONPATH=build/python /usr/bin/python3 examples/python_session.py
"""

import os

import numpy as np
import pandas as pd

import tarvex

HERE = os.path.dirname(os.path.abspath(__file__))


def compare(title, names, ours, reference):
    print(f"\n{title}")
    print(f"  {'':10s} {'TARVEX':>22s} {'statsmodels':>22s}")
    for name, a, b in zip(names, ours, reference):
        print(f"  {name:10s} {a:22.15g} {b:22.10g}")


with tarvex.Session() as s:
    # OLS with White (HC0) standard errors on the Longley data.
    longley = pd.read_csv(os.path.join(HERE, "longley.csv"))
    s.put(longley)
    ols = s.run("OLS EMPLOY DEFLATOR GNP UNEMP ARMED POP YEAR / HETCOV").result
    # sm.OLS(d.EMPLOY, sm.add_constant(d[[...]])).fit(cov_type="HC0"): params, bse
    # (statsmodels lists the constant first; TARVEX last)
    sm_coef = [0.01506187227, -0.03581917929, -0.02020229804, -0.01033226867, -0.05110410565,
               1.829151465, -3482.258635]
    sm_se = [0.05122034744, 0.02457599758, 0.003832391109, 0.001462450011, 0.1582084962,
             0.4283843756, 832.2115807]
    compare("OLS / HETCOV: coefficients", ols.names, ols.coef, sm_coef)
    compare("OLS / HETCOV: robust standard errors", ols.names, ols.stderr, sm_se)
    print("  exact coefficient of YEAR:", ols.coef_exact["YEAR"])

    # A probit of labour-force participation (Mroz data).
    mroz = pd.read_csv(os.path.join(HERE, "mroz.csv"))
    s.run("SMPL 1 753")
    s.put(mroz)
    probit = s.run("PROBIT LFP NWIFEINC EDUC EXPER AGE KIDS5 KIDS618").result
    # sm.Probit(m.LFP, sm.add_constant(m[[...]])).fit(): params, bse, llf
    sm_coef = [-0.01156482924, 0.1336902257, 0.07021649975, -0.05555478949, -0.8742922933,
               0.03454594581, 0.5795816768]
    sm_se = [0.004794192655, 0.02513458262, 0.00757104868, 0.008344699898, 0.1175098313,
             0.0429862093, 0.4962050306]
    compare("PROBIT: coefficients", probit.names, probit.coef, sm_coef)
    compare("PROBIT: standard errors", probit.names, probit.stderr, sm_se)
    compare("PROBIT: log-likelihood", ["llf"], [probit.llf], [-406.218858055])

    # The airline model of the log passengers, and the first three forecasts.
    passengers = np.loadtxt(os.path.join(HERE, "airpassengers.txt")).ravel()
    s.run("SMPL 1 144")
    s["LPASS"] = np.log(passengers)
    arima = s.run("ARIMA LPASS / NDIFF=1 NMA=1 NSDIFF=1 NSMA=1 NSPAN=12 HORIZON=3 "
                  "FORECAST=LF FCSTERR=LFSE").result
    # SARIMAX(np.log(a), order=(0,1,1), seasonal_order=(0,1,1,12)).fit(): params[:2], llf
    # (the state-space filter starts the differences from a diffuse prior, so the estimates
    # agree to three or four digits, not to all of them)
    compare("ARIMA (0,1,1)(0,1,1)12", arima.names[:2], arima.coef[:2],
            [-0.4018680328, -0.5572619002])
    compare("ARIMA log-likelihood", ["llf"], [arima.llf], [244.696475902])
    # .get_forecast(3).predicted_mean and .se_mean
    compare("ARIMA forecasts", ["1961-01", "1961-02", "1961-03"], s.get("LF")[144:147],
            [6.110185757, 6.053785946, 6.171750728])
    compare("ARIMA forecast standard errors", ["1961-01", "1961-02", "1961-03"],
            s.get("LFSE")[144:147], [0.03671251451, 0.0427785316, 0.04808530763])
