"""The session: run statements, move data in and out, and read what an estimation left."""

import decimal
import html
import re
import warnings

import numpy as np
import pandas as pd

from . import _tarvex

_ERROR_LINE = re.compile(r"^ *\.+ ?ERROR\.+ ?(.*)$")
_WARNING_LINE = re.compile(r"^ *\.+ ?WARNING\.+ ?(.*)$")
_NAME_CHARS = re.compile(r"[^A-Za-z0-9_]")
_GRAPH_NOTE = re.compile(r"^ *\.+ ?NOTE\.+ ?GRAPH WRITTEN: (.*)$")


class Error(Exception):
    """An error line of the engine: `message` is its text, `number` the value of $ERR."""

    def __init__(self, message, number=0, lines=()):
        # $ERR is a real of the engine; its values are whole numbers.
        number = int(number) if float(number).is_integer() else number
        super().__init__(f"{message} ($ERR={number})" if number else message)
        self.message = message
        self.number = number
        self.lines = list(lines)


class EngineWarning(UserWarning):
    """A warning line of the engine."""


class Report(list):
    """The report lines of one run(); shown as preformatted text in a notebook."""

    def __str__(self):
        return "\n".join(self)

    def _repr_html_(self):
        return "<pre>" + html.escape(str(self)) + "</pre>"


class Result:
    """What one estimation left in the engine's estimation record."""

    def __init__(self, record):
        names = record["names"]
        k = len(names)
        self.command = record["command"]
        self.dependent = record["dependent"]
        self.names = names
        self.coef = pd.Series(record["coef"], index=names, name="coef")
        self.stderr = pd.Series(record["stderrs"], index=names, name="stderr")
        self.tstat = pd.Series(record["tratios"], index=names, name="tstat")
        pv = record["pvalues"]
        self.pvalues = pd.Series(pv if len(pv) == k else [np.nan] * k, index=names, name="pvalue")
        cov = np.array(record["cov"], dtype=float)
        self.cov = pd.DataFrame(cov.reshape(k, k) if cov.size == k * k else np.full((k, k), np.nan),
                                index=names, columns=names)
        self.coef_exact = pd.Series([decimal.Decimal(t) for t in record["coef_text"]], index=names,
                                    name="coef")
        self.stderr_exact = pd.Series([decimal.Decimal(t) for t in record["stderrs_text"]],
                                      index=names, name="stderr")
        stats = record["statistics"]
        self.diagnostics = pd.DataFrame(
            [(s["value"], s["law"], s["df1"], s["df2"], s["pvalue"]) for s in stats],
            index=[s["name"] for s in stats], columns=["value", "law", "df1", "df2", "pvalue"])
        self.nobs = record["n"]
        self.k = record["k"]
        self.df = record["df"]
        self.llf = record["llf"]
        self.sse = record["sse"]
        self.rsquared = record["rsqr"]
        self.sigma = record["sigma"]
        self.asymptotic = record["asymptotic"]

    def table(self):
        """The coefficient table as a DataFrame."""
        return pd.DataFrame({"coef": self.coef, "stderr": self.stderr, "tstat": self.tstat,
                             "pvalue": self.pvalues})

    def __repr__(self):
        return f"<tarvex.Result {self.command} of {self.dependent}: N={self.nobs} K={self.k}>\n" + \
            self.table().to_string()

    def _repr_html_(self):
        head = (f"<p><b>{html.escape(self.command)}</b> dependent {html.escape(self.dependent)},"
                f" N={self.nobs}, K={self.k}, df={self.df:g}"
                + (f", log-likelihood={self.llf:.8g}" if self.llf is not None else "") + "</p>")
        return head + self.table().to_html(float_format=lambda x: f"{x:.6g}")


class Output:
    """What one run() produced: the report, the estimations, the result scalars, graph files,
    and the engine's own time for the statements (engine_seconds)."""

    def __init__(self, lines, results, scalars, graphs):
        self.report = Report(lines)
        self.results = results
        self.result = results[-1] if results else None
        self.scalars = scalars
        self.graphs = graphs

    def __repr__(self):
        return str(self.report)

    def _repr_html_(self):
        parts = [self.report._repr_html_()]
        for path in self.graphs:
            parts.append(_graph_html(path))
        if self.result is not None:
            parts.append(self.result._repr_html_())
        return "\n".join(parts)


def _graph_html(path):
    import base64
    with open(path, "rb") as f:
        data = f.read()
    if path.lower().endswith(".pdf"):
        return f"<p>graph: {html.escape(path)}</p>"
    if path.lower().endswith(".svg"):
        return data.decode("utf-8", "replace")
    return f'<img src="data:image/png;base64,{base64.b64encode(data).decode()}"/>'


def _graph_files(lines):
    """The picture files the report says GRAPH (or PLOTS / GRAPH) wrote."""
    found = []
    for line in lines:
        m = _GRAPH_NOTE.match(line)
        if m and m.group(1).strip() not in found:
            found.append(m.group(1).strip())
    return found


class Session:
    """One run of the engine. The engine's state is process-wide: a second live Session in the
    same process is refused (close the first, or use a `with` block)."""

    def __init__(self, work_kb=None):
        try:
            self._engine = _tarvex.EngineSession()
        except RuntimeError as e:
            raise Error(str(e)) from None
        if work_kb is not None:
            self.run(f"PAR {int(work_kb)}")

    # -- running statements -------------------------------------------------------------
    def run(self, text):
        """Runs one or more statements. Returns an Output; an error line raises Error (after
        the statements before it ran), warning lines go through `warnings`."""
        out = self._call(self._engine.feed, text)
        lines = out["lines"]
        start = 0
        error = None
        for end, err in out["boundaries"]:
            for line in lines[start:end]:
                m = _ERROR_LINE.match(line)
                if m and error is None:
                    error = (m.group(1).strip(), err)
                w = _WARNING_LINE.match(line)
                if w:
                    warnings.warn(w.group(1).strip(), EngineWarning, stacklevel=2)
            start = end
        for line in lines[start:]:
            m = _ERROR_LINE.match(line)
            if m and error is None:
                error = (m.group(1).strip(), 0)
        if error is not None:
            raise Error(error[0], error[1], lines)
        if out["fatal"]:
            raise Error("the engine stopped the run", 0, lines)
        results = [Result(r) for r in out["estimations"]]
        scalars = {} if self._engine.ended else self._engine.scalars()
        # An estimation whose record keeps no log-likelihood (least squares) leaves it in $LLF.
        if results and results[-1].llf is None and results[-1].command in ("OLSQ", "IMLS"):
            results[-1].llf = scalars.get("$LLF")
        output = Output(lines, results, scalars, _graph_files(lines))
        output.engine_seconds = out["engine_seconds"]
        return output

    __call__ = run

    # -- data in ------------------------------------------------------------------------
    def put(self, data, names=None):
        """Stores a DataFrame's columns (or a dict of arrays) as series. Names are cut to 8
        characters (and characters the engine does not take become "_"); returns the map from
        the given names to the stored ones."""
        if isinstance(data, pd.DataFrame):
            columns = list(data.columns)
            items = [(c, data[c]) for c in columns]
        elif isinstance(data, dict):
            items = list(data.items())
        else:
            raise TypeError("put takes a pandas DataFrame or a dict of arrays")
        mapping = {}
        used = set()
        for given, _ in items:
            name = _engine_name(str(given))
            if name.upper() in used:
                raise Error(f"two columns become the same name {name}: rename one")
            used.add(name.upper())
            mapping[given] = name
        for given, values in items:
            self._store(mapping[given], values)
        return mapping

    def __setitem__(self, name, values):
        self._store(name, values)

    def _store(self, name, values):
        if isinstance(values, (pd.Series, pd.DataFrame)):
            values = values.astype("float64", copy=False).to_numpy(dtype="float64", na_value=np.nan)
        array = np.asarray(values, dtype="float64")
        if array.ndim == 0:
            array = array.reshape(1)
        if array.ndim > 2:
            raise ValueError("a series is 1-D and a matrix 2-D")
        problem, lines = self._call(self._engine.put, name, np.asfortranarray(array))
        for line in lines:
            m = _ERROR_LINE.match(line)
            if m:
                raise Error(m.group(1).strip(), 0, lines)
            w = _WARNING_LINE.match(line)
            if w:
                warnings.warn(w.group(1).strip(), EngineWarning, stacklevel=3)
        if problem:
            raise Error(problem)

    # -- data out -----------------------------------------------------------------------
    def get(self, name, exact=False):
        """A series as a float64 array (a matrix as 2-D), missing values as NaN; with
        exact=True the values are decimal.Decimal, the shortest decimal that reads back as the
        engine's binary128 value (missing values then stay the missing code)."""
        found = self._call(self._engine.get, name, exact)
        if found is None:
            raise KeyError(name)
        rows, cols = found["rows"], found["cols"]
        if exact:
            values = np.array([decimal.Decimal(t) for t in found["values"]], dtype=object)
        else:
            values = np.array(found["values"], dtype="float64")
            values[values == found["missing"]] = np.nan
        if cols > 1:
            return values.reshape((rows, cols), order="F")
        return values

    def __getitem__(self, name):
        return self.get(name)

    def scalars(self):
        """The result scalars ($R2, $SSE, $ERR ...) as a dict."""
        return self._call(self._engine.scalars)

    def _call(self, method, *args):
        try:
            return method(*args)
        except RuntimeError as e:  # the session has ended, or is busy
            raise Error(str(e)) from None

    # -- the end ------------------------------------------------------------------------
    def close(self):
        self._engine.close()

    @property
    def closed(self):
        return self._engine.ended

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False


def _engine_name(given):
    name = _NAME_CHARS.sub("_", given)
    if not name or not name[0].isalpha():
        name = "X" + name
    return name[:8]
