"""One engine session for the whole test run: the engine's state is process-wide."""

import os

import pytest

import tarvex

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")


@pytest.fixture(scope="session")
def session():
    s = tarvex.Session()
    yield s
    s.close()


@pytest.fixture(scope="session")
def data_dir():
    return DATA
