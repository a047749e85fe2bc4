"""Installs the tarvex package: builds the engine's Python module with CMake in the
repository's build directory (against the interpreter running this script) and packs it with
the package's Python files. `pip install --no-build-isolation ./python` from the repository."""

import glob
import os
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


class BuildWithEngine(build_py):
    def run(self):
        super().run()
        build = os.path.join(REPO, "build")
        subprocess.check_call(["cmake", "-S", REPO, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                               "-DPython_EXECUTABLE=" + sys.executable])
        subprocess.check_call(["cmake", "--build", build, "-j", "2", "--target", "_tarvex"])
        modules = glob.glob(os.path.join(build, "python", "tarvex", "_tarvex*.so"))
        if not modules:
            raise RuntimeError("the engine module was not built (is pybind11-dev installed?)")
        target = os.path.join(self.build_lib, "tarvex")
        os.makedirs(target, exist_ok=True)
        for module in modules:
            shutil.copy2(module, target)


setup(
    name="tarvex",
    version="11.0",
    description="The TARVEX econometrics engine from Python",
    packages=["tarvex"],
    package_dir={"tarvex": "tarvex"},
    install_requires=["numpy", "pandas"],
    cmdclass={"build_py": BuildWithEngine},
    zip_safe=False,
)
