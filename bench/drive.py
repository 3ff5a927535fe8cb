#!/usr/bin/env python3
"""Runs every benchmark of the project and prints one table of figures against references
measured in the same run. Started by bench/run under a virtual X server, with the release build
in the folder given by --build."""

import argparse
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024


def log(text):
    print(text, file=sys.stderr, flush=True)


def monotonic_file(path):
    with open(path) as f:
        return int(f.read().strip())


def spawn(argv, env=None):
    """Starts argv; returns the pid and the steady clock just before the start."""
    start = time.monotonic_ns()
    pid = os.posix_spawn(argv[0], argv, env if env is not None else os.environ)
    return pid, start


def wait(pid):
    """Waits for pid: exit status and peak resident memory in KiB."""
    _, status, usage = os.wait4(pid, 0)
    return os.waitstatus_to_exitcode(status), usage.ru_maxrss


def output(argv):
    return subprocess.run(argv, capture_output=True, text=True).stdout


# --- packages ---------------------------------------------------------------------------------


def engine_path(path):
    return path.replace("/", "\\")


class Package:
    """A package folder: the installer beside its Setup.ini, English texts, a licence, a payload
    below Payload and a stand-in set-up program that notes when it starts."""

    def __init__(self, root, build, hide_licence):
        self.root = root
        self.tmp = os.path.join(root, "tmp")
        self.payload = os.path.join(root, "Payload")
        self.stamp = os.path.join(self.tmp, "setup-started")
        self.hide_licence = hide_licence
        self.runs = 0
        self.payload_listing = None
        os.makedirs(self.tmp)
        os.makedirs(self.payload)
        shutil.copy2(os.path.join(build, "app", "setup"), os.path.join(root, "setup"))
        shutil.copy2(os.path.join(build, "bench", "SetupStartStamp"), os.path.join(root, "stamp"))
        self.write("Install/Config/NLS/en.nls",
                   "[Global]\nDefaultFont=DejaVu Sans\nOverwriteFileTitle=Replace file\n"
                   "OverwriteFile=It exists. Replace it?\nYes=Yes\nYesToAll=Yes to All\nNo=No\n"
                   "NoToAll=No to All\nCancel=Cancel\nDirBrowse=Choose\n")
        self.write("licence.txt", "The terms.\n" * 40)
        self.next_target()

    def next_target(self):
        """A destination of its own for the next run. Nothing is deleted between runs: ext4
        makes every new file pay for inodes freed in the last minute or so, which would weigh
        on whichever side ran after a deletion."""
        self.runs += 1
        self.target = os.path.join(self.root, "Target-%d" % self.runs)
        entries = [
            "Language=en", "Copydir=Payload", "App_Title=Licence page", "App_Head=Please read",
            "App_Foot=Accept?", "App_File=.\\licence.txt", "App_Button1=Accept",
            "App_Button2=Decline", "Nav_Title=Folder page", "Nav_Head=Where to?",
            "Nav_Foot=Copying %s", "Nav_DefaultDir=" + engine_path(self.target),
            "Nav_Button1=Browse", "Nav_Button2=Install", "Nav_Button3=Cancel",
            "InstallPath=%ExtrPath%\\stamp", "InstallPath64=%ExtrPath%\\stamp"
        ]
        if self.hide_licence:
            entries.append("HideEULA=true")
        self.write("Setup.ini", "[Setup]\n" + "\n".join(entries) + "\n")
        return self.target

    def write(self, relative, text):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)

    def environment(self, extra):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("LC_") and k not in ("LANG", "TMPDIR")}
        env.update({"TMPDIR": self.tmp, "LANG": "en_US.UTF-8"})
        env.update(extra)
        return env

    def check(self, target):
        """Stops the run when a copy is not the payload's file for file and size for size."""
        def listing(top):
            return sorted((os.path.relpath(os.path.join(d, n), top),
                           os.path.getsize(os.path.join(d, n)))
                          for d, _, names in os.walk(top) for n in names)
        if not self.payload_listing:
            self.payload_listing = listing(self.payload)
        if self.payload_listing and listing(target) != self.payload_listing:
            raise SystemExit("%s is not a whole copy of the payload" % target)

    def reset(self):
        for name in os.listdir(self.tmp):
            os.remove(os.path.join(self.tmp, name))


def fill_small_files(folder, count, folders, seed=20261210):
    rng = random.Random(seed)
    block = os.urandom(8192)
    for index in range(count):
        sub = os.path.join(folder, "folder%03d" % (index % folders))
        os.makedirs(sub, exist_ok=True)
        size = rng.randint(1024, 8192)
        with open(os.path.join(sub, "file%05d.dat" % index), "wb") as f:
            f.write(block[:size])


def fill_big_file(path, size):
    chunk = os.urandom(4 * MIB)
    with open(path, "wb") as f:
        for _ in range(size // len(chunk)):
            f.write(chunk)


def warm(folder):
    """Reads a tree once, so that every copy starts from the page cache."""
    for top, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(top, name), "rb") as f:
                while f.read(4 * MIB):
                    pass


# --- the installer on the display -------------------------------------------------------------


def find_window(pid, title, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        ids = output(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name",
                      "^%s$" % title]).split()
        if ids:
            return ids[0]
        time.sleep(0.02)
    return None


def first_paint(argv, env):
    """Start-up of one program: from just before its start to the end of its first paint."""
    probe = tempfile.mktemp(prefix="kendry-first-paint-")
    env = dict(env, KENDRY_FIRST_PAINT_PROBE=probe)
    pid, start = spawn(argv, env)
    status, _ = wait(pid)
    try:
        painted = monotonic_file(probe)
    except (OSError, ValueError):
        raise SystemExit("%s did not note its first paint (status %d)" % (argv[0], status))
    os.remove(probe)
    return (painted - start) / 1e6


def install(package):
    """One run of the installer driven to finish on the folder page: milliseconds from the finish
    key to the set-up program's start, and the installer's peak resident memory in KiB."""
    package.next_target()
    package.reset()
    os.sync()
    pid, _ = spawn([os.path.join(package.root, "setup")],
                   package.environment({"KENDRY_SETUP_STARTED_STAMP": package.stamp}))
    window = find_window(pid, "Folder page")
    if not window:
        os.kill(pid, 9)
        wait(pid)
        raise SystemExit("the folder page did not open")
    # Let the page settle and take the focus before the clock starts.
    time.sleep(0.3)
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    start = time.monotonic_ns()
    subprocess.run(["xdotool", "key", "Return"], check=True)
    status, maxrss = wait(pid)
    try:
        started = monotonic_file(package.stamp)
    except (OSError, ValueError):
        raise SystemExit("the set-up program was not started (installer status %d)" % status)
    return (started - start) / 1e6, maxrss


def cp(source, target):
    os.sync()
    pid, start = spawn(["/bin/cp", "-r", source, target])
    status, _ = wait(pid)
    end = time.monotonic_ns()
    if status != 0:
        raise SystemExit("cp failed")
    return (end - start) / 1e6


# --- the table --------------------------------------------------------------------------------

ROWS = []


def row(name, figure, reference, unit, value, ref_value, aim=None, aim_text=None):
    """aim: the highest ratio that meets it; aim_text for a figure that is not a ratio."""
    ROWS.append(dict(name=name, figure=figure, reference=reference, unit=unit, value=value,
                     ref_value=ref_value, aim=aim, aim_text=aim_text))


def print_table(note):
    head = ["benchmark", "figure", "reference", "ratio", "aim", "met"]
    lines = []
    for r in ROWS:
        fig = "%s %.1f %s" % (r["figure"], r["value"], r["unit"])
        ref = "%s %.1f %s" % (r["reference"], r["ref_value"], r["unit"]) if r["reference"] else "-"
        if r["aim_text"]:
            ratio = "-"
            aim = r["aim_text"]
            met = r["met"]
        else:
            ratio = "%.2fx" % (r["value"] / r["ref_value"]) if r["ref_value"] else "-"
            aim = "<= %.2fx" % r["aim"] if r["aim"] else "-"
            met = "-" if not r["aim"] else (
                "met" if r["value"] / r["ref_value"] <= r["aim"] else "not met")
        lines.append([r["name"], fig, ref, ratio, aim, met])
    widths = [max(len(x[i]) for x in lines + [head]) for i in range(len(head))]
    fmt = lambda cells: "| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |"
    print(fmt(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for line in lines:
        print(fmt(line))
    print()
    print(note)


# --- the benchmarks ---------------------------------------------------------------------------


def bench_startup(args, work):
    package = Package(os.path.join(work, "startup"), args.build, hide_licence=False)
    setup = [os.path.join(package.root, "setup")]
    floor = [os.path.join(args.build, "bench", "FirstPaintFloor")]
    env = package.environment({})
    # One of each first, to load the libraries into the page cache; then in turn, so that both
    # see the same load.
    first_paint(floor, env)
    first_paint(setup, env)
    floors, setups = [], []
    for _ in range(args.startup_runs):
        floors.append(first_paint(floor, env))
        setups.append(first_paint(setup, env))
    row("start-up", "setup to first page painted", "wx floor", "ms", statistics.median(setups),
        statistics.median(floors), aim=1.15)
    log("start-up: setup %s, floor %s" % (sorted(round(x, 1) for x in setups),
                                          sorted(round(x, 1) for x in floors)))


def copy_runs(package, runs, with_cp=True, keep=True):
    """runs of the installer and, in turn with them so that both meet the same machine, of cp:
    the installer's times, its peak memory figures and cp's times. Without keep each copy is
    removed after it was measured (for few big files, where no inode pile builds up)."""
    times, peaks, refs = [], [], []
    for _ in range(runs):
        elapsed, maxrss = install(package)
        times.append(elapsed)
        peaks.append(maxrss)
        package.check(package.target)
        if not keep:
            shutil.rmtree(package.target, ignore_errors=True)
        if with_cp:
            refs.append(cp(package.payload, package.next_target()))
            package.check(package.target)
            if not keep:
                shutil.rmtree(package.target, ignore_errors=True)
    return times, peaks, refs


def bench_copy_small(args, work):
    package = Package(os.path.join(work, "small"), args.build, hide_licence=True)
    fill_small_files(package.payload, args.small_files, 100)
    warm(package.payload)
    install(package)
    times, _, refs = copy_runs(package, args.copy_runs)
    row("copy, %d small files" % args.small_files, "finish key to set-up start", "cp -r", "ms",
        statistics.median(times), statistics.median(refs), aim=1.5)
    log("copy small: setup %s, cp %s" % (sorted(round(x) for x in times),
                                         sorted(round(x) for x in refs)))
    shutil.rmtree(package.root)


def bench_copy_big(args, work):
    empty = Package(os.path.join(work, "empty"), args.build, hide_licence=True)
    _, empty_peaks, _ = copy_runs(empty, args.copy_runs, with_cp=False, keep=False)
    package = Package(os.path.join(work, "big"), args.build, hide_licence=True)
    fill_big_file(os.path.join(package.payload, "big.bin"), args.big_mib * MIB)
    warm(package.payload)
    install(package)
    shutil.rmtree(package.target)
    times, peaks, refs = copy_runs(package, args.copy_runs, keep=False)
    row("copy, one %d MiB file" % args.big_mib, "finish key to set-up start", "cp", "ms",
        statistics.median(times), statistics.median(refs), aim=1.05)
    grown = (statistics.median(peaks) - statistics.median(empty_peaks)) / 1024
    ROWS.append(dict(name="memory, %d MiB copy" % args.big_mib,
                     figure="peak RSS over the empty payload's", reference=None, unit="MiB",
                     value=grown, ref_value=0, aim=None, aim_text="< 16 MiB",
                     met="met" if grown < 16 else "not met"))
    log("copy big: setup %s, cp %s; peak RSS KiB %s, empty %s" % (
        sorted(round(x) for x in times), sorted(round(x) for x in refs), peaks, empty_peaks))
    shutil.rmtree(package.root)
    shutil.rmtree(empty.root)


def google_benchmark(args, work, name, extra):
    out = os.path.join(work, name + ".json")
    argv = [os.path.join(args.build, "bench", name), "--benchmark_format=console",
            "--benchmark_out_format=json", "--benchmark_out=" + out] + extra
    env = dict(os.environ, KENDRY_BENCH_DIR=work)
    subprocess.run(argv, check=True, env=env, stdout=sys.stderr)
    with open(out) as f:
        results = json.load(f)["benchmarks"]
    return {b["name"].split("/")[0]: b for b in results if b.get("run_type") == "iteration"}


def ms(result):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[result["time_unit"]]
    return result["real_time"] * scale


def bench_ini(args, work):
    r = google_benchmark(args, work, "IniReadBench", [])
    # The reading is held to twice the bare parser, which keeps nothing.
    for ref, label, aim in (("BM_InihReader", "INIReader", None),
                            ("BM_InihParse", "ini_parse (counts only)", 2.0)):
        row("INI read, 5 MB", "IniFile::Read", label, "ms", ms(r["BM_IniFileRead"]), ms(r[ref]),
            aim=aim)


def bench_file_copy(args, work):
    r = google_benchmark(args, work, "CopyBench", [])
    row("file copy, 1 GiB file", "FileOp::Copy", "cp", "ms", ms(r["BM_BigFile_FileOpCopy"]),
        ms(r["BM_BigFile_cp"]), aim=1.1)
    row("file copy, 2000-file tree", "FileOp::Copy", "cp -r", "ms", ms(r["BM_Tree_FileOpCopy"]),
        ms(r["BM_Tree_cp"]), aim=1.1)


def bench_decompress(args, work):
    extra = [] if args.msexpand else ["--benchmark_filter=-SzddMsexpand"]
    r = google_benchmark(args, work, "DecompressBench", extra)
    szdd_ref = "SzddMsexpand" if args.msexpand else "SzddSetupApi"
    for name in ("SzddSetupApi", "SzddLzCopy", "SzddUncompressFile"):
        if name != szdd_ref:
            row("expand SZDD, 100 MB", name, szdd_ref, "ms", ms(r[name]), ms(r[szdd_ref]))
    for name in ("MszipSetupApi", "MszipUncompressFile"):
        row("expand MSZIP, 100 MB", name, "MszipCabextract", "ms", ms(r[name]),
            ms(r["MszipCabextract"]))


BENCHES = {
    "startup": bench_startup,
    "copy-small": bench_copy_small,
    "copy-big": bench_copy_big,
    "ini": bench_ini,
    "file-copy": bench_file_copy,
    "decompress": bench_decompress,
}


def machine_note(folder):
    cores = os.cpu_count()
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) // 1024
    fs = output(["df", "--output=fstype", folder]).split()[-1]
    load = os.getloadavg()
    return ("Machine: %d cores, %d MiB memory, inputs and copies on %s (%s), load average "
            "%.2f %.2f %.2f at the end." % (cores, memory, fs, folder, *load))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True)
    parser.add_argument("--quick", action="store_true",
                        help="fewer repetitions (start-up 3, copies 1, a 256 MiB big file)")
    parser.add_argument("--only", default=",".join(BENCHES),
                        help="comma-separated benchmarks: " + ", ".join(BENCHES))
    parser.add_argument("--msexpand", action="store_true",
                        help="also expand with msexpand (minutes) as the SZDD reference")
    args = parser.parse_args()
    args.startup_runs = 3 if args.quick else 10
    args.copy_runs = 1 if args.quick else 5
    args.small_files = 10000
    args.big_mib = 256 if args.quick else 1024
    chosen = [name.strip() for name in args.only.split(",") if name.strip()]
    unknown = [name for name in chosen if name not in BENCHES]
    if unknown:
        parser.error("unknown benchmark: " + ", ".join(unknown))
    work = tempfile.mkdtemp(prefix="kendry-bench-", dir=os.environ.get("KENDRY_BENCH_DIR"))
    try:
        for name in chosen:
            log("=== %s (%s)" % (name, time.strftime("%H:%M:%S")))
            BENCHES[name](args, work)
        note = machine_note(os.path.dirname(work))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print_table(note)


if __name__ == "__main__":
    main()
