"""The tenzio module against the batch command: the same series and options give the dict of the
batch's --json file; arrays give what the same numbers in a file give; bad input raises
InputError with the batch's message; many threads give what one gives."""
import copy
import json
import pathlib

import numpy
import pytest

import tenzio
from conftest import EXAMPLES, SOURCE, batch, batch_json, batch_message

# Keyword arguments of tenzio.run and the batch options that mean the same.
OPTION_CASES = [
    ({}, []),
    ({"against_first": True, "axes": 3, "strain": "infinitesimal-lagrangian"},
     ["--against-first", "--axes", "3", "--strain", "infinitesimal-lagrangian"]),
    ({"strain": "finite-lagrangian", "axes": 2}, ["--strain", "finite-lagrangian", "--axes", "2"]),
    ({"fit_order": 1, "at": [25, 300.5], "weights": "none"}, ["--fit-order", "1", "--at", "25,300.5", "--weights", "none"]),
    ({"eos": "BM3, vinet2,BM3", "at": 0.19}, ["--eos", "BM3, vinet2,BM3", "--at", "0.19"]),
    ({"eos": ["Murnaghan", "NS3"]}, ["--eos", "Murnaghan,NS3"]),
    ({"fits": False}, ["--no-fits"]),
]


@pytest.mark.parametrize("path", EXAMPLES, ids=lambda p: p.name)
@pytest.mark.parametrize("keywords,options", OPTION_CASES, ids=lambda c: str(c) if isinstance(c, dict) else "")
def test_run_gives_the_batch_json(path, keywords, options, tmp_path):
    assert tenzio.run(tenzio.read(str(path)), **keywords) == batch_json([path], tmp_path, *options)


def test_cif_files_read_together_are_one_series(tmp_path):
    folders = [folder for folder in sorted((SOURCE / "examples/cif").iterdir()) if folder.is_dir()]
    assert folders
    for folder in folders:
        files = sorted(folder.glob("*.cif"))
        assert len(files) > 1
        series = tenzio.read([str(file) for file in files])
        assert len(series) == len(files)
        assert tenzio.run(series) == batch_json(files, tmp_path)
        # Any path-like will do, or the name's bytes.
        assert tenzio.run(tenzio.read(files)) == tenzio.run(series)
        assert tenzio.run(tenzio.read([bytes(file) for file in files])) == tenzio.run(series)


def arrays_of(document):
    """The numbers of the batch's JSON points, as a caller would hand them to from_arrays."""
    pressure = document["series"] == "pressure"
    points = document["points"]
    esds = [point["cell_esd"] for point in points]
    return dict(
        x=[point["p" if pressure else "t"] for point in points],
        cells=[point["cell"] for point in points],
        cell_esds=None if all(e is None for e in esds) else [e or [0] * 6 for e in esds],
        x_esds=[point["p_esd" if pressure else "t_esd"] for point in points],
        variable="pressure" if pressure else "temperature",
        system=None if document["crystal_system"] == "none" else document["crystal_system"],
        title=document["title"],
        units=document["units"],
    )


def one_variable_examples():
    """The bundled series that carry only their own variable (T or P), as arrays can."""
    chosen = []
    for path in EXAMPLES:
        document = tenzio.run(tenzio.read(str(path)))
        other = "t" if document["series"] == "pressure" else "p"
        if all(point[other] == 0 for point in document["points"]):
            chosen.append(path)
    return chosen


def same_types(a, b):
    """Equal, and of the same type all through: == alone takes 1 for 1.0 and True for 1."""
    if type(a) is not type(b):
        return False
    if isinstance(a, dict):
        return list(a) == list(b) and all(same_types(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return len(a) == len(b) and all(same_types(x, y) for x, y in zip(a, b))
    return a == b


@pytest.mark.parametrize("path", EXAMPLES[:3], ids=lambda p: p.name)
def test_run_gives_json_loads_types_and_member_order(path, tmp_path):
    assert same_types(tenzio.run(tenzio.read(str(path)), at=[25, 300.5]), batch_json([path], tmp_path, "--at", "25,300.5"))


@pytest.mark.parametrize("title", ['quote " and backslash \\ /', "tab\tline\nreturn\r\b\f", "\x01\x1f\x7f",
                                   "é ü 温度 𝄞"])
def test_a_title_comes_back_as_given(title):
    cells = [[4.1, 9, 3.2, 88, 91, 92], [4.102, 9, 3.201, 88, 91, 92], [4.105, 9, 3.203, 88, 91, 92]]
    assert tenzio.run(tenzio.Series.from_arrays([10, 20, 30], cells, title=title))["title"] == title


def test_from_arrays_gives_what_the_file_gives(tmp_path):
    chosen = one_variable_examples()
    assert len(chosen) >= 5
    for path in chosen:
        from_file = batch_json([path], tmp_path, "--against-first", "--at", "50")
        arrays = arrays_of(from_file)
        before = copy.deepcopy(arrays)
        series = tenzio.Series.from_arrays(**arrays)
        assert arrays == before  # nothing handed in is changed
        document = tenzio.run(series, against_first=True, at=50)
        assert document["input"] is None
        from_file["input"] = None
        assert document == from_file, path.name
        # NumPy arrays, in double and in single precision, give the same floats.
        for kind in (numpy.float64, numpy.float32):
            numbers = dict(arrays, x=numpy.array(arrays["x"], dtype=kind), cells=numpy.array(arrays["cells"], dtype=kind))
            assert tenzio.run(tenzio.Series.from_arrays(**numbers), against_first=True, at=50) == document


def test_from_arrays_applies_the_crystal_system(tmp_path):
    data = tmp_path / "tetragonal.dat"
    # The file's constraints: b follows a, the angles are 90.
    data.write_text("TITLE t\nSYSTEM TETRAGONAL\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n"
                    "10 4.1 9 3.2 88 91 92\n20 4.102 9 3.201 88 91 92\n30 4.105 9 3.203 88 91 92\n")
    series = tenzio.Series.from_arrays([10, 20, 30], [[4.1, 9, 3.2, 88, 91, 92], [4.102, 9, 3.201, 88, 91, 92],
                                                      [4.105, 9, 3.203, 88, 91, 92]], system="tetragonal", title="t")
    from_file = batch_json([data], tmp_path)
    from_file["input"] = None
    assert tenzio.run(series) == from_file


def test_bad_input_raises_the_batch_message(tmp_path, capfd):
    cases = sorted((SOURCE / "tests/bad-input").glob("*.dat")) + sorted((SOURCE / "tests/bad-input").glob("*.cif"))
    checked = 0
    for case in cases:
        expected = case.with_suffix(".expected").read_text()
        if "\nexit 1" not in "\n" + expected or "\nargs " in "\n" + expected:
            continue
        message = batch_message([case], tmp_path)
        with pytest.raises(tenzio.InputError) as raised:
            tenzio.run(tenzio.read(str(case)))
        assert str(raised.value) == message, case.name
        checked += 1
    assert checked >= 20
    missing = tmp_path / "missing.dat"
    with pytest.raises(ValueError) as raised:
        tenzio.read(str(missing))
    assert str(raised.value) == batch_message([missing], tmp_path)
    for given in (42, [42], []):
        with pytest.raises(tenzio.InputError):
            tenzio.read(given)
    assert capfd.readouterr() == ("", "")  # the module printed nothing


def test_bad_arrays_and_option_words_name_the_cause():
    cells = [[5, 6, 7, 90, 91, 90], [5.01, 6, 7, 90, 91, 90]]
    series = tenzio.Series.from_arrays([10, 20], cells)
    bad_arrays = [
        (dict(x=[10, 20, 30], cells=cells), "cells: 2 rows for 3 values of x"),
        (dict(x=[10, 20], cells=[[5, 6, 7, 90, 91], cells[1]]), "cells[0]: 5 values; a cell has 6"),
        (dict(x=[10, "abc"], cells=cells), "x[1]: 'abc' is not a number"),
        (dict(x=[10, 20], cells=cells, cell_esds=[[0] * 6]), "cell_esds: 1 rows for 2 values of x"),
        (dict(x=[10, 20], cells=cells, x_esds=[1]), "x_esds: 1 values for 2 values of x"),
        (dict(x=[10, 20], cells=cells, system="rhombic"), "system: 'rhombic' is not one of triclinic, monoclinic"),
        (dict(x=[10, 20], cells=cells, variable="volume"), 'variable: "volume" is not one of temperature, pressure'),
        (dict(x=[10, 20], cells=[[5, 6, 7, 90, 91, 90], [5, 6, 7, 200, 91, 90]]),
         "INVALID CELL IN DATA POINT 2: data point 2 cannot form a unit cell"),
        (dict(x=10, cells=cells), "x: 10 is not a sequence"),
    ]
    for arguments, message in bad_arrays:
        with pytest.raises(tenzio.InputError) as raised:
            tenzio.Series.from_arrays(**arguments)
        assert str(raised.value).startswith(message), arguments
    # As in a data file, a T that is not a number is read, and the run refuses it.
    with pytest.raises(tenzio.InputError) as raised:
        tenzio.run(tenzio.Series.from_arrays([10, float("nan")], cells))
    assert str(raised.value) == "T OR P OUT OF RANGE IN DATA POINT 2: data point 2: T is not a number"
    for keywords, message in (({"strain": "eulerian"}, "strain: eulerian is not one of finite-eulerian, "),
                              ({"weights": "some"}, "weights: some is not one of esd, none"),
                              ({"at": "x"}, "at: 'x' is not a number"),
                              ({"at": [1, float("inf")]}, "at: inf is not a finite number"),
                              ({"at": 1e39}, "at: 1e+39 is beyond single precision"),
                              ({"eos": 3}, "eos: 3 is not an equation of state's name"),
                              ({"axes": "2"}, "axes: '2' is not a whole number")):
        with pytest.raises(tenzio.InputError) as raised:
            tenzio.run(series, **keywords)
        assert str(raised.value).startswith(message), keywords
    # The words the batch refuses, refused with its reason.
    periclase = str(SOURCE / "examples/periclase_cubic_T.dat")
    for keyword, option, value in (("axes", "--axes", 4), ("fit_order", "--fit-order", 7), ("eos", "--eos", "BM7")):
        done = batch(periclase, "--json", "-", option, value, check=False)
        assert done.returncode == 2
        reason = done.stderr.splitlines()[0].split(f"{option}: ", 1)[1]
        with pytest.raises(tenzio.InputError) as raised:
            tenzio.run(tenzio.read(periclase), **{keyword: value})
        assert str(raised.value) == f"{keyword}: {reason}"
    assert tenzio.run(series)["calculations"][0]["second"] == 2  # two points run; one does not
    with pytest.raises(tenzio.InputError) as raised:
        tenzio.run(tenzio.Series.from_arrays([10], cells[:1]))
    assert str(raised.value) == "ONLY ONE DATUM IN INPUT FILE: the series holds 1 data point; a run compares two or more"


def test_run_many_on_eight_threads_gives_the_serial_results():
    series = [tenzio.read(str(path)) for path in EXAMPLES] * 6
    for keywords in ({}, {"against_first": True, "strain": "infinitesimal-eulerian", "at": [30, 150]}):
        serial = [tenzio.run(one, **keywords) for one in series]
        assert tenzio.run_many(series, workers=8, **keywords) == serial
        assert tenzio.run_many(series, **keywords) == serial
    assert tenzio.run_many([]) == []


def test_run_many_names_the_series_that_failed():
    good = tenzio.read(str(EXAMPLES[0]))
    lone = tenzio.Series.from_arrays([10], [[5, 6, 7, 90, 90, 90]])
    with pytest.raises(tenzio.InputError) as raised:
        tenzio.run_many([good, good, lone, good], workers=2)
    assert str(raised.value).startswith("series 2: ONLY ONE DATUM IN INPUT FILE")
    for workers in (0, -1, 1.5, "2"):
        with pytest.raises(tenzio.InputError):
            tenzio.run_many([good], workers=workers)
    with pytest.raises(tenzio.InputError):
        tenzio.run_many([good, "not a series"])


def test_version_and_series_facts():
    assert tenzio.__version__ == batch("--version").stdout.split()[-1]
    series = tenzio.read(str(SOURCE / "examples/stishovite_tetragonal_P.dat"))
    assert (series.variable, series.crystal_system) == ("pressure", "tetragonal")
    assert series.input.endswith("stishovite_tetragonal_P.dat")
    assert series.warnings == []
    assert issubclass(tenzio.InputError, ValueError)
