"""Where the tests find the batch command and the sources; set by CTest (tests/python/CMakeLists.txt)."""
import json
import os
import pathlib
import subprocess

SOURCE = pathlib.Path(os.environ["TENZIO_SOURCE_DIR"])
BATCH = os.environ["TENZIO_BATCH"]
EXAMPLES = sorted(SOURCE.glob("examples/*.dat")) + sorted(SOURCE.glob("examples/cif/*.cif"))


def batch(*arguments, check=True):
    """tenzio-batch with these arguments: its exit status, standard output and standard error."""
    done = subprocess.run([BATCH, *map(str, arguments)], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"tenzio-batch {arguments} failed: {done.stderr}")
    return done


def batch_json(inputs, folder, *options):
    """json.loads of the --json file of one batch run."""
    out = pathlib.Path(folder) / "run.json"
    batch(*inputs, "--json", out, *options)
    return json.loads(out.read_text(encoding="utf-8"))


def batch_message(inputs, folder):
    """What the batch says of a run that fails: its status line and the reasons after it, as one line."""
    done = batch(*inputs, "--json", pathlib.Path(folder) / "failed.json", check=False)
    assert done.returncode == 1, done.stderr
    lines = [line for line in done.stderr.splitlines() if line != "PROCESSING DATA"]
    last_status = max(k for k, line in enumerate(lines) if not line.startswith("tenzio-batch: "))
    reasons = [line[len("tenzio-batch: "):] for line in lines[last_status + 1:]]
    return lines[last_status] + "".join((": " if k == 0 else "; ") + reason for k, reason in enumerate(reasons))
