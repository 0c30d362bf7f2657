#!/usr/bin/env python3
"""Runs many series with the tenzio module on a Dask cluster and writes the JSON lines of
`tenzio-batch --each`: one line per input, in the order of the inputs, each
{"input": ..., "status": "ok", ...the --json document...} or {"input": ..., "status": "error", "error": ...}.

    many_series_dask.py INPUT... --jsonl OUT [--scheduler ADDRESS] [--workers N] [--batch-size K]
                        [the batch's run options: --strain, --axes, --against-first, --no-fits, ...]

Without --scheduler the series run on a LocalCluster of N worker processes on this machine; with
--scheduler tcp://host:8786 on that cluster, whose workers must be able to import tenzio and read
the inputs. Series go to the workers in batches of K per task, so that a task's overhead is shared.
"""
import argparse
import json
import logging
import os
import sys
from collections import deque

import tenzio


def run_series(paths, options):
    """The lines of a batch of inputs, each run as tenzio-batch --each runs it, and how many failed."""
    lines = []
    failed = 0
    for path in paths:
        try:
            document = tenzio.run(tenzio.read(path), **options)
            del document["input"]  # the line names its input first
            line = {"input": path, "status": "ok", **document}
        except tenzio.InputError as error:
            line = {"input": path, "status": "error", "error": str(error)}
            failed += 1
        lines.append(json.dumps(line, ensure_ascii=False, separators=(",", ":")))
    return lines, failed


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("inputs", metavar="INPUT", nargs="+", help="a keyword data file or a CIF file: one series each")
    parser.add_argument("--jsonl", required=True, help="where the lines go (- the standard output)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler, e.g. tcp://host:8786")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: every CPU)")
    parser.add_argument("--batch-size", type=int, default=50, help="series per task (default 50)")
    parser.add_argument("--strain", default="finite-eulerian")
    parser.add_argument("--axes", type=int, default=1)
    parser.add_argument("--against-first", action="store_true")
    parser.add_argument("--no-fits", action="store_true")
    parser.add_argument("--fit-order", type=int)
    parser.add_argument("--at", help="X[,X...]")
    parser.add_argument("--eos", help="LIST")
    parser.add_argument("--weights", default="esd")
    arguments = parser.parse_args(argv)
    if arguments.workers < 1 or arguments.batch_size < 1:
        parser.error("--workers and --batch-size are whole numbers from 1")
    return arguments


def run_options(arguments):
    return {
        "strain": arguments.strain,
        "axes": arguments.axes,
        "against_first": arguments.against_first,
        "fits": not arguments.no_fits,
        "fit_order": arguments.fit_order,
        "at": None if arguments.at is None else [float(value) for value in arguments.at.split(",")],
        "eos": arguments.eos,
        "weights": arguments.weights,
    }


def main(argv):
    arguments = parse_arguments(argv)
    from dask.distributed import Client, LocalCluster

    options = run_options(arguments)
    # A word the options do not know is said once, here, rather than on every line.
    try:
        tenzio.run(tenzio.Series.from_arrays([0, 1], [[1, 1, 1, 90, 90, 90]] * 2), **options)
    except tenzio.InputError as error:
        print(f"many_series_dask: {error}", file=sys.stderr)
        return 2

    batches = [arguments.inputs[k:k + arguments.batch_size]
               for k in range(0, len(arguments.inputs), arguments.batch_size)]
    if arguments.scheduler:
        cluster = None
        client = Client(arguments.scheduler)
    else:
        cluster = LocalCluster(n_workers=arguments.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None, silence_logs=logging.ERROR)
        client = Client(cluster)
    failed = 0
    out = sys.stdout if arguments.jsonl == "-" else open(arguments.jsonl + ".part", "w", encoding="utf-8")
    try:
        # A few batches per worker in flight, written in the order of the inputs as they come back.
        in_flight = deque()
        ahead = 4 * max(1, len(client.scheduler_info()["workers"]) or arguments.workers)
        for batch in batches:
            in_flight.append(client.submit(run_series, batch, options, pure=False))
            while len(in_flight) > ahead:
                failed += write_lines(out, in_flight.popleft().result())
        while in_flight:
            failed += write_lines(out, in_flight.popleft().result())
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
        if out is not sys.stdout:
            out.close()
    if out is not sys.stdout:
        os.replace(arguments.jsonl + ".part", arguments.jsonl)
    if failed:
        print(f"many_series_dask: {failed} of {len(arguments.inputs)} series failed", file=sys.stderr)
    return 1 if failed else 0


def write_lines(out, result):
    lines, failed = result
    for line in lines:
        out.write(line + "\n")
    return failed


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
