"""examples/python/many_series_dask.py on a two-worker LocalCluster writes the lines of
tenzio-batch --each for the same inputs: the same JSON, in the same order, errors included."""
import json
import os
import subprocess
import sys

from conftest import BATCH, SOURCE


def test_dask_lines_equal_the_batch_each_lines(tmp_path):
    folder = tmp_path / "series"
    subprocess.run([sys.executable, SOURCE / "tools/generate-series.py", "200", folder], check=True)
    inputs = sorted(str(path) for path in folder.glob("*.dat"))
    assert len(inputs) == 200
    # A series that fails among them, and one that cannot be opened.
    (folder / "one_point.dat").write_text("TITLE one\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n20 5 6 7 90 90 90\n")
    inputs[10:10] = [str(folder / "one_point.dat"), str(folder / "missing.dat")]

    each = subprocess.run([BATCH, "--each", *inputs, "--jsonl", tmp_path / "each.jsonl", "--at", "150"],
                          capture_output=True, text=True)
    assert each.returncode == 1
    assert each.stderr == "tenzio-batch: 2 of 202 series failed\n"
    dask = subprocess.run([sys.executable, SOURCE / "examples/python/many_series_dask.py", *inputs,
                           "--jsonl", tmp_path / "dask.jsonl", "--workers", "2", "--batch-size", "16", "--at", "150"],
                          capture_output=True, text=True, env=dict(os.environ))
    assert dask.returncode == 1, dask.stderr
    assert "2 of 202 series failed" in dask.stderr

    each_lines = (tmp_path / "each.jsonl").read_text(encoding="utf-8").splitlines()
    dask_lines = (tmp_path / "dask.jsonl").read_text(encoding="utf-8").splitlines()
    assert len(each_lines) == len(dask_lines) == 202
    for each_line, dask_line in zip(each_lines, dask_lines):
        assert json.loads(dask_line) == json.loads(each_line)
        # Keys in the same order: the input, the status, then the document.
        assert list(json.loads(dask_line)) == list(json.loads(each_line))
