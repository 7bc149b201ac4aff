"""Running Windows programs under Wine for the end-to-end tests."""
import os
import subprocess
import tempfile

RUN_TIME_LIMIT_SECONDS = 120


def windows_path(path):
    """Wine shows the Unix root as drive Z:."""
    return "Z:" + path.replace("/", "\\")


def run_wine(prefix, arguments, extra_environment=None):
    """Runs a program under Wine to its end. Wine's output goes to a file, not a
    pipe: a wineserver started by the run inherits the streams and would hold a
    pipe open until it exits."""
    environment = dict(os.environ, WINEPREFIX=prefix, **(extra_environment or {}))
    with tempfile.TemporaryFile() as wine_output:
        finished = subprocess.run(["wine", *arguments], env=environment,
                                  stdin=subprocess.DEVNULL, stdout=wine_output,
                                  stderr=subprocess.STDOUT, timeout=RUN_TIME_LIMIT_SECONDS)
        wine_output.seek(0)
        assert finished.returncode == 0, wine_output.read().decode(errors="replace")
