"""TARVEX from Python: one engine run kept open per process.

    import tarvex
    s = tarvex.Session()
    s.put(df)                       # the columns become series
    out = s.run("OLS Y X1 X2")      # report lines, the estimation, the result scalars
    out.result.coef                 # a pandas Series
"""

from .session import Error, EngineWarning, Session, Output, Result, Report  # noqa: F401

__all__ = ["Error", "EngineWarning", "Session", "Output", "Result", "Report"]
